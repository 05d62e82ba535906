#include "desktop/PhysicalMemory.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <cstdint>

namespace desktop {

qint64 physicalMemory() {
#ifdef _WIN32
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    return GlobalMemoryStatusEx(&status) ? qint64(status.ullTotalPhys) : 0;
#else
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : 0;
#endif
}

#ifdef MADV_NOHUGEPAGE
namespace {

// Advice on the whole pages within the bytes.
void advise(void* bytes, qint64 length, int advice) {
    const auto pageSize = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(bytes);
    const std::uintptr_t first = (start + pageSize - 1) / pageSize * pageSize;
    const std::uintptr_t end = (start + std::uintptr_t(length)) / pageSize * pageSize;
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, advice);
}

} // namespace

void preferSmallPages(void* bytes, qint64 length) {
    advise(bytes, length, MADV_NOHUGEPAGE);
}
#else
void preferSmallPages(void*, qint64) {}
#endif

} // namespace desktop
