#include "support/Resident.h"

#include <unistd.h>

#include <fstream>

namespace {

// The first two counts of statm, in pages: all that is mapped, then what of it is resident.
std::pair<qint64, qint64> statmPages() {
    std::ifstream statm("/proc/self/statm");
    qint64 size = 0;
    qint64 resident = 0;
    statm >> size >> resident;
    return {size, resident};
}

} // namespace

qint64 residentBytes() {
    return statmPages().second * sysconf(_SC_PAGESIZE);
}

qint64 mappedBytes() {
    return statmPages().first * sysconf(_SC_PAGESIZE);
}
