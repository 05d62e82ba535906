#include "HelperMemory.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

// The sampling thread reads the system's files with plain calls into buffers of its own, never the heap:
// memory it took would count as the window's.
namespace {

// The whole of a small file, as text; empty where it cannot be read.
std::string_view readSmall(const char* path, char* buffer, std::size_t size) {
    const int file = open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return {};
    const ssize_t length = read(file, buffer, size - 1);
    close(file);
    return length > 0 ? std::string_view(buffer, std::size_t(length)) : std::string_view();
}

// A child that runs the helper program: one being started still shares this process's memory until it
// does, and counts nothing of its own.
bool runsHelper(long pid) {
    char path[64];
    char name[32];
    std::snprintf(path, sizeof path, "/proc/%ld/comm", pid);
    return readSmall(path, name, sizeof name).starts_with("kestrelle-decod");
}

// The pages a helper alone maps beside its pixels, in bytes: what ending it gives back. Read from its
// smaps a piece at a time: a mapping's first line (its range, then its file) tells whether the pixels'
// memory follows.
qint64 ownResident(long pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/smaps", pid);
    const int file = open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return 0; // ended between the listing and the reading
    static char buffer[64 * 1024];
    std::size_t kept = 0;
    qint64 kilobytes = 0;
    bool pixels = false;
    for (;;) {
        const ssize_t length = read(file, buffer + kept, sizeof buffer - kept);
        if (length <= 0)
            break;
        std::string_view text(buffer, kept + std::size_t(length));
        for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
            const std::string_view line = text.substr(0, end);
            text.remove_prefix(end + 1);
            if (line.starts_with("Private_Clean:") || line.starts_with("Private_Dirty:")) {
                if (!pixels)
                    kilobytes += std::atoll(line.data() + line.find(':') + 1);
            } else if (const std::size_t dash = line.find('-'); dash != std::string_view::npos &&
                                                                line.find(' ') > dash && line.size() > 0 &&
                                                                std::isxdigit(line[0])) {
                pixels = line.find("/memfd:") != std::string_view::npos;
            }
        }
        kept = text.size();
        std::memmove(buffer, text.data(), kept);
    }
    close(file);
    return kilobytes * 1024;
}

// Every helper alive now, its memory summed: a child is listed under the thread that started it.
qint64 helpersTogether(DIR* tasks) {
    qint64 together = 0;
    rewinddir(tasks);
    while (const dirent* task = readdir(tasks)) {
        if (task->d_name[0] == '.')
            continue;
        char path[320];
        char children[4096];
        std::snprintf(path, sizeof path, "/proc/self/task/%s/children", task->d_name);
        std::string_view pids = readSmall(path, children, sizeof children);
        while (!pids.empty()) {
            const long pid = std::atol(pids.data());
            if (pid > 0 && runsHelper(pid))
                together += ownResident(pid);
            const std::size_t space = pids.find(' ');
            pids.remove_prefix(space == std::string_view::npos ? pids.size() : space + 1);
        }
    }
    return together;
}

} // namespace

HelperMemory::HelperMemory() : sampler_([this] { sample(); }) {}

HelperMemory::~HelperMemory() {
    stop_ = true;
    sampler_.join();
}

void HelperMemory::sample() {
    DIR* tasks = opendir("/proc/self/task");
    while (tasks && !stop_) {
        peak_ = std::max(peak_.load(), helpersTogether(tasks));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (tasks)
        closedir(tasks);
}
