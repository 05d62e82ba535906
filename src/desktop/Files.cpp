#include "desktop/Files.h"

#include "desktop/Failures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace desktop {

namespace {

// A refusal always raises; one that returned would still leave no file to read.
[[noreturn]] void refuse(Refusal notRegular) {
    notRegular();
    accessError();
}

} // namespace

QDateTime fileDateTime(const QString& path) {
    if (path.isEmpty())
        badFileName();
    const QFileInfo info(path);
    if (!info.exists())
        fileNotFound();
    const QDateTime modified = info.lastModified();
    if (!modified.isValid())
        accessError();
    return modified;
}

void openRegularFile(QFile& file, Refusal notRegular) {
    const QString path = file.fileName();
    // The name only chooses the wording; the checks below are made on what was opened.
    if (path.isEmpty() || !QFileInfo::exists(path))
        fileNotFound();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        refuse(notRegular);
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    const int flags = regular ? ::fcntl(fd, F_GETFL) : -1;
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        refuse(notRegular);
    }
}

QByteArray readRegularFile(const QString& path, qint64 limit, Refusal notRegular) {
    QFile file(path);
    openRegularFile(file, notRegular);
    QByteArray data = file.read(limit);
    if (file.error() != QFileDevice::NoError)
        refuse(notRegular);
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
