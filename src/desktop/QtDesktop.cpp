#include "desktop/QtDesktop.h"

#include "desktop/Failures.h"
#include "desktop/FolderOpener.h"
#include "desktop/OpenFileDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSettings>
#include <QUrl>

namespace desktop {

QtDesktop::QtDesktop() {
#ifdef Q_OS_UNIX
    // The toolkit's file dialog keeps its history in a settings file of the user's; this program remembers
    // nothing between runs, so those settings go to a place where nothing can be written.
    for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
#endif
}

QString QtDesktop::displayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QString QtDesktop::toolkitFilter(const QString& filter) {
    QStringList entries;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i];
        // The label may already show its patterns in brackets; the dialog wants them space-separated.
        label.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)\\s*$")));
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << p.trimmed();
            if (p.toUpper() != p)
                patterns << p.trimmed().toUpper();
        }
        entries << QStringLiteral("%1 (%2)").arg(label, patterns.join(QLatin1Char(' ')));
    }
    return entries.join(QStringLiteral(";;"));
}

namespace {

// The window a dialog belongs to: the box or dialog that is up, else the program's active window, else any
// window of the program that shows. Between two boxes no window may be active yet; a box without an owner
// would be left to the window system to place and stack.
QWidget* ownerWindow() {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowType() == Qt::Window)
            return window;
    return nullptr;
}

} // namespace

MsgResult QtDesktop::showMessage(const QString& text, MsgButtons buttons, MsgIcon icon,
                                 const QString& title) {
    QMessageBox box(icon == MsgIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title,
                    displayText(text), QMessageBox::NoButton, ownerWindow());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int pressed = box.exec();
    if (buttons == MsgButtons::YesNo)
        return pressed == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
    return MsgResult::Ok;
}

QString QtDesktop::showOpen(const QString& title, const QString& filter) {
    OpenFileDialog dialog(ownerWindow(), title, toolkitFilter(filter));
    dialog.exec();
    return dialog.chosenFile();
}

void QtDesktop::openUrl(const QString& url) {
    if (!QDesktopServices::openUrl(QUrl(url, QUrl::StrictMode)))
        fileNotFound();
}

void QtDesktop::openFolder(const QString& path) {
    FolderOpener::open(path);
}

} // namespace desktop
