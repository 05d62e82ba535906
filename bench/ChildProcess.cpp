#include "ChildProcess.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Pipe {
    int ends[2] = {-1, -1};
    Pipe() {
        if (pipe(ends) != 0)
            ends[0] = ends[1] = -1;
    }
    ~Pipe() {
        for (int end : ends)
            if (end >= 0)
                close(end);
    }
    void closeEnd(int index) {
        close(ends[index]);
        ends[index] = -1;
    }
};

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

std::optional<std::string> runChild(const std::vector<std::string>& arguments,
                                    const std::vector<std::string>& extraEnvironment,
                                    std::chrono::milliseconds allowed) {
    std::vector<std::string> argumentTexts = arguments;
    std::vector<std::string> environmentTexts = extraEnvironment;
    for (char** entry = environ; *entry; ++entry)
        environmentTexts.emplace_back(*entry);
    std::vector<char*> argv = pointersTo(argumentTexts);
    std::vector<char*> envp = pointersTo(environmentTexts);

    Pipe output;
    if (output.ends[0] < 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output.ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output.ends[0]);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return std::nullopt;
    output.closeEnd(1);

    std::string printed;
    const auto deadline = std::chrono::steady_clock::now() + allowed;
    bool timedOut = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{output.ends[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, int(left.count())) <= 0) {
            timedOut = true;
            break;
        }
        char buffer[4096];
        const ssize_t got = read(output.ends[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        printed.append(buffer, size_t(got));
    }
    if (timedOut)
        kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (timedOut || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return printed;
}
