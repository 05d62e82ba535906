// Runs a program inside a sandbox like those some desktops put programs in: it may not make namespaces,
// and Landlock is not there. The program's decoder helpers must still shut themselves in with the walls
// that remain and read every picture.
//
//     surrounded PROGRAM ARGUMENTS...
#include <seccomp.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    const bool built =
        filter && seccomp_rule_add(filter, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(unshare), 0) == 0 &&
        seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(landlock_create_ruleset), 0) == 0;
    if (!built || prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || seccomp_load(filter) != 0) {
        std::perror("surrounded");
        return 2;
    }
    seccomp_release(filter);
    execv(argv[1], argv + 1);
    std::perror("surrounded");
    return 2;
}
