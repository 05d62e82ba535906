#include "support/Resident.h"

#include <unistd.h>

#include <fstream>

qint64 residentBytes() {
    std::ifstream statm("/proc/self/statm");
    qint64 size = 0;
    qint64 pages = 0;
    statm >> size >> pages;
    return pages * sysconf(_SC_PAGESIZE);
}
