#include "support/Viewer.h"

#include "support/CodedPicture.h"
#include "support/MainWindowLayout.h"
#include "support/Settle.h"

#include <QRegularExpression>

namespace {

const QString fileDialogTitle =
    QStringLiteral("^Load List\\(s\\) - Hold Ctrl to select multiple list files$");

QPoint middle(QRect rect) {
    return rect.topLeft() + QPoint(rect.width() / 2, rect.height() / 2);
}

} // namespace

const QString Viewer::samplesQuestion = QStringLiteral(
    "Would you like this software to open the folder where these sample files are stored (so that "
    "you can view them before working with them)?");

Viewer::Viewer(const XSession& session, const QString& program)
    : Viewer(session, program, QStringList(), session.programEnvironment()) {}

Viewer::Viewer(const XSession& session, const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment)
    : session_(session), process_(std::make_unique<ChildProcess>(program, arguments, environment)) {}

bool Viewer::waitForMainWindow() {
    const auto found = [this] {
        const QStringList windows = session_.windows(QStringLiteral("^Kestrelle$"));
        mainWindow_ = windows.size() == 1 ? windows.first() : QString();
        return !mainWindow_.isEmpty();
    };
    if (!process_->started() || !settle(found, true))
        return false;
    readClientRect();
    // Painted once the first pane's border shows.
    const auto painted = [this] {
        return session_.screenshot().pixel(onScreen(layout::frames[0].topLeft()));
    };
    return settle(painted, qRgb(0, 0, 0)) == qRgb(0, 0, 0) && waitUntilFocused(mainWindow_);
}

QRect Viewer::readClientRect() {
    const QRect rect = session_.clientRect(mainWindow_);
    clientOrigin_ = rect.topLeft();
    return rect;
}

void Viewer::clickButton(const QString& caption) const {
    session_.click(onScreen(middle(layout::captionedRect(caption))));
}

void Viewer::clickPicture(int pane) const {
    session_.click(onScreen(middle(layout::pictureArea(pane))));
}

QString Viewer::panes() const {
    const QImage screen = session_.screenshot();
    const auto read = [&](int pane) {
        return coded::read(screen, layout::pictureArea(pane).translated(clientOrigin_));
    };
    return coded::panes(read(1), read(2));
}

QImage Viewer::pictureArea(const QImage& screen, int pane) const {
    return screen.copy(layout::pictureArea(pane).translated(clientOrigin_));
}

QString Viewer::waitForWindow(const QString& titlePattern) const {
    QString window;
    const auto found = [&] {
        QStringList windows = session_.windows(titlePattern);
        windows.removeAll(mainWindow_);
        window = windows.value(0);
        return !window.isEmpty();
    };
    settle(found, true);
    return window;
}

bool Viewer::waitUntilGone(const QString& window) const {
    return !settle([&] { return session_.windows(QStringLiteral(".")).contains(window); }, false);
}

bool Viewer::waitUntilFocused(const QString& window) const {
    return settle([&] { return session_.focusedWindow(); }, window) == window;
}

QList<AccessibilityBus::Object> Viewer::objects(const QString& titlePattern) const {
    const QRegularExpression title(titlePattern);
    QList<AccessibilityBus::Object> found = session_.accessibility().objects(process_->process().processId());
    found.removeIf(
        [&](const AccessibilityBus::Object& object) { return !title.match(object.window).hasMatch(); });
    return found;
}

QString Viewer::boxText(const QString& titlePattern) const {
    QStringList lines;
    // The main window may share the box's title.
    for (const AccessibilityBus::Object& object : objects(titlePattern))
        if (object.windowRole == QLatin1String("alert message") && object.role == QLatin1String("label") &&
            !object.name.isEmpty())
            lines << object.name;
    return lines.join(QLatin1Char('\n'));
}

QString Viewer::answerBox(const QString& titlePattern, const QString& expected, const QString& key) const {
    const QString box = waitForWindow(titlePattern);
    if (box.isEmpty())
        return QStringLiteral("no window titled ") + titlePattern;
    const QString shown = settle([&] { return boxText(titlePattern); }, expected);
    if (shown != expected)
        return shown;
    if (!waitUntilFocused(box))
        return QStringLiteral("the box never had the focus");
    session_.press({key});
    // Keys pressed before the main window has the focus again would go nowhere.
    if (!waitUntilGone(box) || !waitUntilFocused(mainWindow_))
        return QStringLiteral("the box stayed after ") + key;
    return shown;
}

QString Viewer::loadSamplesAnsweringNo() const {
    clickButton(QStringLiteral("Load Sample/Example Files"));
    return answerBox(QStringLiteral("^Kestrelle$"), samplesQuestion, QStringLiteral("n"));
}

bool Viewer::chooseInFileDialog(const QString& path) const {
    const QString dialog = waitForWindow(fileDialogTitle);
    if (dialog.isEmpty() || !waitUntilFocused(dialog))
        return false;
    session_.type(path);
    session_.press({QStringLiteral("Return")});
    // The dialog's completion list can outlive it for a moment, holding the keyboard; then the main window
    // or a box about the file has the focus. Keys pressed before either would be lost.
    const auto listGone = [&] { return session_.popups(process_->process().processId()).isEmpty(); };
    const auto focusMoved = [&] {
        const QString focused = session_.focusedWindow();
        return focused != dialog && session_.windows(QStringLiteral(".")).contains(focused);
    };
    return waitUntilGone(dialog) && settle(listGone, true) && settle(focusMoved, true);
}

bool Viewer::cancelFileDialog() const {
    const QString dialog = waitForWindow(fileDialogTitle);
    if (dialog.isEmpty() || !waitUntilFocused(dialog))
        return false;
    session_.press({QStringLiteral("Escape")});
    return waitUntilGone(dialog) && waitUntilFocused(mainWindow_);
}
