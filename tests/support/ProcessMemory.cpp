#include "support/ProcessMemory.h"

#include <QFile>

#include <unistd.h>

#include <fstream>
#include <string>
#include <utility>

namespace processMemory {

namespace {

// The first two numbers of /proc/self/statm, in bytes: the address space mapped, and of it what is resident.
std::pair<qint64, qint64> statm() {
    std::ifstream statm("/proc/self/statm");
    qint64 size = 0;
    qint64 pages = 0;
    statm >> size >> pages;
    return {size * sysconf(_SC_PAGESIZE), pages * sysconf(_SC_PAGESIZE)};
}

} // namespace

qint64 resident() {
    return statm().second;
}

qint64 mapped() {
    return statm().first;
}

qint64 peakResident() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            qint64 kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

} // namespace processMemory

PeakMemoryWatch::PeakMemoryWatch() {
    // Writing 5 restarts the peak at the present resident size.
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    peakRestarted_ = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
    clear.close();
    start_ = processMemory::resident();
}

qint64 PeakMemoryWatch::growth() const {
    return (peakRestarted_ ? processMemory::peakResident() : processMemory::resident()) - start_;
}
