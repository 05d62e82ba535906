#include "desktop/Files.h"

#include "desktop/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

QByteArray readRegularFile(const QString& path, qint64 limit, const QString& notRegular) {
    if (path.isEmpty() || !QFileInfo::exists(path))
        throw Failure(QStringLiteral("File not found"));
    // Opened without waiting, so that a pipe with no writer cannot hold the program; what was opened is
    // checked, not what the name showed a moment before.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw Failure(notRegular);
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        throw Failure(notRegular);
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw Failure(notRegular);
    }
    QByteArray data = file.read(limit);
    if (file.error() != QFileDevice::NoError)
        throw Failure(notRegular);
    return data;
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
