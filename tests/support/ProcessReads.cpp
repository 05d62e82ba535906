#include "support/ProcessReads.h"

#include <QFile>

namespace {

// The "rchar: 123" line of /proc/self/io; 0 when absent.
qint64 bytesRead() {
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return 0;
}

} // namespace

ReadWatch::ReadWatch() : start_(bytesRead()) {}

qint64 ReadWatch::growth() const {
    return bytesRead() - start_;
}
