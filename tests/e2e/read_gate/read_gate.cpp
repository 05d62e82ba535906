// Preloaded into the program under test: reads of one file stop at a given offset for as long as a gate
// file exists, so that a test sees what the program shows of a picture it has read only in part.
// KESTRELLE_GATED_FILE names the file, KESTRELLE_GATE_OFFSET the offset, KESTRELLE_GATE the gate file.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool gatedFile(int fd) {
    const char* gated = std::getenv("KESTRELLE_GATED_FILE");
    char link[64];
    char target[PATH_MAX];
    if (!gated)
        return false;
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, target, sizeof target - 1);
    if (length <= 0)
        return false;
    target[length] = '\0';
    return std::strcmp(target, gated) == 0;
}

bool gateClosed() {
    const char* gate = std::getenv("KESTRELLE_GATE");
    struct stat status {};
    return gate && stat(gate, &status) == 0;
}

using Read = ssize_t (*)(int, void*, size_t);

} // namespace

extern "C" ssize_t read(int fd, void* buffer, size_t count) {
    static const auto next = reinterpret_cast<Read>(dlsym(RTLD_NEXT, "read"));
    if (gatedFile(fd)) {
        const off_t offset = lseek(fd, 0, SEEK_CUR);
        const char* at = std::getenv("KESTRELLE_GATE_OFFSET");
        const off_t stop = at ? off_t(std::atoll(at)) : 0;
        if (offset >= 0 && offset < stop && offset + off_t(count) > stop)
            count = size_t(stop - offset);
        else if (offset >= stop)
            while (gateClosed()) {
                const timespec pause{0, 10 * 1000 * 1000};
                nanosleep(&pause, nullptr);
            }
    }
    return next(fd, buffer, count);
}
