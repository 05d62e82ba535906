#include "support/ToolFolder.h"
#include "support/Pictures.h"

#include <QDir>
#include <QFile>
#include <QProcess>

QString ToolFolder::save(const QImage& picture, const QString& name) {
    picture.save(path(name));
    return name;
}

QString ToolFolder::write(const QByteArray& bytes, const QString& name) {
    pictures::write(bytes, dir_.path(), name);
    return name;
}

QByteArray ToolFolder::run(const QString& commandLine) {
    const QStringList words = commandLine.split(QLatin1Char(' '));
    QProcess tool;
    tool.setWorkingDirectory(dir_.path());
    tool.start(words.first(), words.mid(1));
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(commandLine), tool.readAllStandardError().constData());
        return {};
    }
    QFile file(path(words.last()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString ToolFolder::path(const QString& name) const {
    return QDir(dir_.path()).filePath(name);
}
