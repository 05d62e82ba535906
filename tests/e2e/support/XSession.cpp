#include "support/XSession.h"

#include "support/Settle.h"

#include <QColorSpace>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

constexpr int toolTimeout = 15000;

QString openLogName() {
    return QStringLiteral("opened.txt");
}

} // namespace

XSession::XSession(QSize screenSize) : screenSize_(screenSize) {
    if (!home_.isValid()) {
        failure_ = QStringLiteral("no temporary folder");
        return;
    }
    QDir(home_.path()).mkpath(QStringLiteral("bin"));
    QDir(home_.path()).mkpath(QStringLiteral("run"));
    QFile::setPermissions(home_.filePath(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile stub(home_.filePath(QStringLiteral("bin/xdg-open")));
    if (!stub.open(QIODevice::WriteOnly)) {
        failure_ = QStringLiteral("cannot write the xdg-open stand-in");
        return;
    }
    stub.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$*\" >> '%1'\n")
                   .arg(home_.filePath(openLogName()))
                   .toUtf8());
    stub.close();
    stub.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (startServer() && startWindowManager())
        startAccessibility();
}

bool XSession::startServer() {
    // -displayfd: the server takes the first free display number and writes it to its output once it
    // accepts clients, so parallel runs never collide and there is nothing to wait for after.
    const QString screen = QStringLiteral("%1x%2x24").arg(screenSize_.width()).arg(screenSize_.height());
    server_ = std::make_unique<ChildProcess>(
        QStringLiteral("Xvfb"),
        QStringList{QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                    QStringLiteral("0"), screen, QStringLiteral("-dpi"), QStringLiteral("96"),
                    QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")},
        QProcessEnvironment::systemEnvironment());
    if (!server_->started()) {
        failure_ = QStringLiteral("Xvfb did not start: is the xvfb package installed?");
        return false;
    }
    QProcess& server = server_->process();
    const QDeadlineTimer deadline(10000);
    QByteArray output;
    while (!output.contains('\n') && !deadline.hasExpired() && server_->running()) {
        server.waitForReadyRead(int(deadline.remainingTime()));
        output += server.readAllStandardOutput();
    }
    bool ok = false;
    const int number = output.trimmed().toInt(&ok);
    if (!ok) {
        failure_ = QStringLiteral("Xvfb gave no display number");
        return false;
    }
    display_ = QStringLiteral(":%1").arg(number);
    return true;
}

bool XSession::startWindowManager() {
    QProcessEnvironment environment = toolEnvironment();
    environment.insert(QStringLiteral("HOME"), home_.path());
    windowManager_ = std::make_unique<ChildProcess>(QStringLiteral("openbox"),
                                                    QStringList{QStringLiteral("--sm-disable")}, environment);
    const auto managing = [this] {
        return windowManager_->running() &&
               run(QStringLiteral("wmctrl"), {QStringLiteral("-m")}).contains("Openbox");
    };
    if (!windowManager_->started() || !settle(managing, true)) {
        failure_ = QStringLiteral("openbox did not start on ") + display_;
        return false;
    }
    return true;
}

bool XSession::startAccessibility() {
    QProcessEnvironment environment = toolEnvironment();
    environment.insert(QStringLiteral("HOME"), home_.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.filePath(QStringLiteral("run")));
    accessibility_ = std::make_unique<AccessibilityBus>(environment);
    failure_ = accessibility_->failure();
    return failure_.isEmpty();
}

QProcessEnvironment XSession::toolEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display_);
    return environment;
}

QProcessEnvironment XSession::programEnvironment() const {
    QProcessEnvironment environment = toolEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("HOME"), home_.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.filePath(QStringLiteral("run")));
    environment.insert(QStringLiteral("PATH"), home_.filePath(QStringLiteral("bin")) + QLatin1Char(':') +
                                                   environment.value(QStringLiteral("PATH")));
    if (accessibility_)
        accessibility_->addTo(environment);
    return environment;
}

QString XSession::openedThings() const {
    QFile log(home_.filePath(openLogName()));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

QByteArray XSession::run(const QString& tool, const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(toolEnvironment());
    process.start(tool, arguments);
    if (!process.waitForFinished(toolTimeout)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return process.readAllStandardOutput();
}

QImage XSession::screenshot() const {
    QImage screen =
        QImage::fromData(run(QStringLiteral("import"),
                             {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")}),
                         "PNG");
    // Plain screen values, comparable with pictures read from files that name no colour space.
    screen.setColorSpace(QColorSpace());
    return screen;
}

QStringList XSession::windows(const QString& titlePattern) const {
    const QByteArray found =
        run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--name"), titlePattern});
    return QString::fromLatin1(found).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The window that has the keyboard now. The window manager marks a window active before the program has
// taken the focus, and keys pressed in between are lost.
QString XSession::focusedWindow() const {
    return QString::fromLatin1(run(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")})).trimmed();
}

QStringList XSession::popups(qint64 processId) const {
    const QByteArray found =
        run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--pid"), QString::number(processId)});
    QStringList popups;
    for (const QString& window : QString::fromLatin1(found).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window})
                .contains("Override Redirect State: yes"))
            popups << window;
    return popups;
}

// Under a window manager xwininfo tells where the client area really is; xdotool tells the frame's place.
QRect XSession::clientRect(const QString& window) const {
    const QString info =
        QString::fromLatin1(run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window}));
    const auto field = [&info](const char* name) {
        const QRegularExpression pattern(QStringLiteral("%1:\\s*(-?\\d+)").arg(QLatin1String(name)));
        return pattern.match(info).captured(1).toInt();
    };
    return {field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height")};
}

void XSession::click(QPoint at) const {
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()),
                                    QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")});
}

void XSession::press(const QStringList& keys) const {
    run(QStringLiteral("xdotool"),
        QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("5")} + keys);
}

void XSession::type(const QString& text) const {
    run(QStringLiteral("xdotool"),
        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), text});
}
