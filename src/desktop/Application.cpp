#include "desktop/Application.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace desktop {

namespace {
QString& title() {
    static QString text = programName();
    return text;
}
} // namespace

QString programName() {
    return QStringLiteral("Kestrelle");
}

QString applicationTitle() {
    return title();
}
void setApplicationTitle(const QString& text) {
    title() = text;
}

QString programFolder() {
    const QString executable = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    QString folder = QFileInfo(executable).absolutePath();
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return QDir::toNativeSeparators(folder);
}

void endProgram() {
    QCoreApplication::exit(0);
}

} // namespace desktop
