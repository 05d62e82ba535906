#include "desktop/HelperProcess.h"

#include "desktop/Descriptor.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace desktop {

namespace {

// The first descriptor of the caller's that is never one it hands over, so that moving a descriptor to
// its place in the helper never overwrites another still to be moved.
constexpr int aboveHanded = 16;

} // namespace

HelperProcess::HelperProcess(const QString& program, const QStringList& arguments,
                             std::initializer_list<int> handed) {
    std::vector<Descriptor> copies;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int target = 3;
    for (const int fd : handed) {
        copies.emplace_back(fcntl(fd, F_DUPFD_CLOEXEC, aboveHanded));
        if (!copies.back()) {
            posix_spawn_file_actions_destroy(&actions);
            return;
        }
        posix_spawn_file_actions_adddup2(&actions, copies.back().get(), target++);
    }
    posix_spawn_file_actions_addclosefrom_np(&actions, target);

    const QByteArray path = program.toLocal8Bit();
    std::vector<QByteArray> words{path};
    for (const QString& argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, path.constData(), &actions, nullptr, argv.data(), environ) == 0)
        pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
}

HelperProcess::~HelperProcess() {
    end();
}

void HelperProcess::end() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGKILL);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

} // namespace desktop
