#include "ProcessMemory.h"

#include <unistd.h>

#include <fstream>
#include <string>

namespace processMemory {

int64_t resident() {
    std::ifstream statm("/proc/self/statm");
    int64_t size = 0;
    int64_t pages = 0;
    statm >> size >> pages;
    return pages * sysconf(_SC_PAGESIZE);
}

int64_t peakResident() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            int64_t kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

} // namespace processMemory
