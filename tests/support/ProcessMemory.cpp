#include "support/ProcessMemory.h"

#include <QFile>

namespace {

// A "Name:   123 kB" line of /proc/self/status, in bytes; 0 when absent.
qint64 statusBytes(const QByteArray& name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

} // namespace

PeakMemoryWatch::PeakMemoryWatch() {
    // Writing 5 restarts the peak ("VmHWM") at the present resident size.
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    peakRestarted_ = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
    clear.close();
    start_ = statusBytes("VmRSS");
}

qint64 PeakMemoryWatch::growth() const {
    return statusBytes(peakRestarted_ ? "VmHWM" : "VmRSS") - start_;
}
