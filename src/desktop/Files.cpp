#include "desktop/Files.h"

#include "desktop/Failure.h"

#include <QDir>
#include <QFileInfo>

namespace desktop {

QDateTime fileDateTime(const QString& path) {
    if (path.isEmpty())
        throw Failure(QStringLiteral("Bad file name or number"));
    const QFileInfo info(path);
    if (!info.exists())
        throw Failure(QStringLiteral("File not found"));
    const QDateTime modified = info.lastModified();
    if (!modified.isValid())
        throw Failure(QStringLiteral("Path/File access error"));
    return modified;
}

QString ordinaryFileName(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || !info.isFile() || info.isHidden())
        return {};
    return info.fileName();
}

QString besideProgram(const QString& programFolder, const QString& relative) {
    return QDir::toNativeSeparators(programFolder + QLatin1Char('/') + relative);
}

} // namespace desktop
