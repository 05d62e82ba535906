#include "desktop/Sandbox.h"

#include "desktop/AddressSanitizer.h"
#include "desktop/Owned.h"

#include <QStringList>

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace desktop {

namespace {

// Landlock's rights by the ABI that brought them. The system's headers may be older than its kernel, so
// the newer ones are written out here.
constexpr std::uint64_t fileRightsOfAbi1 = (1ULL << 13) - 1;           // execute .. make symbolic links
constexpr std::uint64_t referRight = 1ULL << 13;                       // ABI 2
constexpr std::uint64_t truncateRight = 1ULL << 14;                    // ABI 3
constexpr std::uint64_t deviceIoctlRight = 1ULL << 15;                 // ABI 5
constexpr std::uint64_t tcpBindAndConnect = (1ULL << 0) | (1ULL << 1); // ABI 4
constexpr std::uint64_t abstractSocketsAndSignals = (1ULL << 0) | (1ULL << 1); // ABI 6

// The ruleset attribute as the newest ABI has it; older kernels are given the part they know.
struct RulesetAttributes {
    std::uint64_t handledFileRights = 0;
    std::uint64_t handledNetworkRights = 0;
    std::uint64_t scoped = 0;
};

bool enterLandlock() {
    const long abi = syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1)
        return false;
    RulesetAttributes attributes;
    attributes.handledFileRights = fileRightsOfAbi1 | (abi >= 2 ? referRight : 0) |
                                   (abi >= 3 ? truncateRight : 0) | (abi >= 5 ? deviceIoctlRight : 0);
    attributes.handledNetworkRights = abi >= 4 ? tcpBindAndConnect : 0;
    attributes.scoped = abi >= 6 ? abstractSocketsAndSignals : 0;
    const std::size_t size = abi >= 6   ? sizeof(RulesetAttributes)
                             : abi >= 4 ? 2 * sizeof(std::uint64_t)
                                        : sizeof(std::uint64_t);
    // No rule is added: every right the ruleset handles is denied everywhere.
    const int ruleset = int(syscall(SYS_landlock_create_ruleset, &attributes, size, 0));
    if (ruleset < 0)
        return false;
    const bool entered = syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    close(ruleset);
    return entered;
}

using Filter = Owned<void, seccomp_release>;

// Every rule is added or the filter is not loaded: a filter missing a rule it was meant to have could end
// a decode halfway for no fault of the file. A call this architecture lacks is passed over.
class FilterRules {
public:
    explicit FilterRules(scmp_filter_ctx filter) : filter_(filter) {}

    void allow(std::initializer_list<int> calls) {
        for (const int call : calls)
            add(SCMP_ACT_ALLOW, call, {});
    }
    void allowWhen(int call, scmp_arg_cmp condition) { add(SCMP_ACT_ALLOW, call, {condition}); }
    void fail(int call, int error) { add(SCMP_ACT_ERRNO(error), call, {}); }
    void failWhen(int call, int error, scmp_arg_cmp condition) {
        add(SCMP_ACT_ERRNO(error), call, {condition});
    }
    bool complete() const { return complete_; }

private:
    void add(std::uint32_t action, int call, std::initializer_list<scmp_arg_cmp> conditions) {
        if (call < 0)
            return; // not a system call of this architecture
        const int result = seccomp_rule_add_array(filter_, action, call, unsigned(conditions.size()),
                                                  conditions.size() ? conditions.begin() : nullptr);
        complete_ = complete_ && result == 0;
    }

    scmp_filter_ctx filter_;
    bool complete_ = true;
};

// Whom the filter holds: the decoder, or a harness that fuzzes the readers under the decoder's rules.
enum class Held { decoder, fuzzingHarness };

// The calls that name a file, and those that tell the state of one named or of a descriptor, with the
// argument that holds their flags.
constexpr int filesByName[] = {SCMP_SYS(open),       SCMP_SYS(openat),     SCMP_SYS(access),
                               SCMP_SYS(faccessat),  SCMP_SYS(faccessat2), SCMP_SYS(readlink),
                               SCMP_SYS(readlinkat), SCMP_SYS(stat),       SCMP_SYS(lstat)};
constexpr std::pair<int, unsigned> statesWithFlags[] = {{SCMP_SYS(newfstatat), 3}, {SCMP_SYS(statx), 2}};

void refuseFilesByName(FilterRules& rules) {
    // The state of a descriptor it holds; a file asked for by name is not there.
    for (const auto& [call, flags] : statesWithFlags) {
        rules.allowWhen(call, SCMP_CMP(flags, SCMP_CMP_MASKED_EQ, AT_EMPTY_PATH, AT_EMPTY_PATH));
        rules.failWhen(call, EACCES, SCMP_CMP(flags, SCMP_CMP_MASKED_EQ, AT_EMPTY_PATH, 0));
    }
    // Libraries look for optional files (the number of cores, a configuration) and do without them; the
    // file is not opened, and the library goes on as on a machine without it.
    for (const int call : filesByName)
        rules.fail(call, EACCES);
}

// What a fuzzing harness does between inputs, and its sanitizers at any time.
void allowHarness(FilterRules& rules) {
    // Its seeds read, what it learns and the inputs that fail written, by name; the inputs it has bettered
    // removed; its peak memory told.
    for (const int call : filesByName)
        rules.allow({call});
    for (const auto& [call, flags] : statesWithFlags)
        rules.allow({call});
    rules.allow({SCMP_SYS(unlink), SCMP_SYS(unlinkat), SCMP_SYS(getrusage)});
    // The leak checker stops the process's threads from a task of its own, which lists and traces them.
    rules.allow(
        {SCMP_SYS(getdents), SCMP_SYS(getdents64), SCMP_SYS(getppid), SCMP_SYS(ptrace), SCMP_SYS(wait4)});
    rules.allowWhen(SCMP_SYS(clone),
                    SCMP_A0(SCMP_CMP_EQ, CLONE_VM | CLONE_FS | CLONE_FILES | CLONE_UNTRACED, 0));
    for (const int option : {PR_GET_DUMPABLE, PR_SET_DUMPABLE, PR_SET_PTRACER, PR_SET_PDEATHSIG})
        rules.allowWhen(SCMP_SYS(prctl), SCMP_A0(SCMP_CMP_EQ, scmp_datum_t(option), 0));
}

bool enterSystemCallFilter(Held held) {
    const bool harness = held == Held::fuzzingHarness;
    // A harness is sent SIGSYS instead of being ended, so that it names the call and keeps the input.
    const Filter filter(seccomp_init(harness ? SCMP_ACT_TRAP : SCMP_ACT_KILL_PROCESS));
    if (!filter)
        return false;
    FilterRules rules(filter.get());
    // The descriptors it holds, memory, time, chance and its own threads.
    rules.allow({SCMP_SYS(read), SCMP_SYS(readv), SCMP_SYS(pread64), SCMP_SYS(preadv), SCMP_SYS(write),
                 SCMP_SYS(writev), SCMP_SYS(pwrite64), SCMP_SYS(lseek), SCMP_SYS(fstat), SCMP_SYS(close),
                 SCMP_SYS(fcntl), SCMP_SYS(munmap), SCMP_SYS(mremap), SCMP_SYS(madvise), SCMP_SYS(brk),
                 SCMP_SYS(futex), SCMP_SYS(set_robust_list), SCMP_SYS(rseq), SCMP_SYS(membarrier),
                 SCMP_SYS(exit), SCMP_SYS(exit_group), SCMP_SYS(rt_sigprocmask), SCMP_SYS(rt_sigaction),
                 SCMP_SYS(rt_sigreturn), SCMP_SYS(sigaltstack), SCMP_SYS(sched_yield),
                 SCMP_SYS(sched_getaffinity), SCMP_SYS(getpid), SCMP_SYS(gettid), SCMP_SYS(clock_gettime),
                 SCMP_SYS(clock_getres), SCMP_SYS(gettimeofday), SCMP_SYS(clock_nanosleep),
                 SCMP_SYS(nanosleep), SCMP_SYS(getrandom), SCMP_SYS(sysinfo), SCMP_SYS(uname),
                 // Talk with the window over the channel it was handed, and the shared memory the pixels
                 // go into.
                 SCMP_SYS(sendmsg), SCMP_SYS(recvmsg), SCMP_SYS(sendto), SCMP_SYS(recvfrom), SCMP_SYS(poll),
                 SCMP_SYS(ppoll), SCMP_SYS(memfd_create), SCMP_SYS(ftruncate), SCMP_SYS(getrlimit)});
    // The address sanitizer tells whether memory is readable by writing it into a pipe of its own.
    if (addressSanitized)
        rules.allow({SCMP_SYS(pipe2)});
    // A sleep that a stop broke into goes on once the process is continued (a person's shell suspended
    // the program, or a debugger looked in).
    rules.allow({SCMP_SYS(restart_syscall)});
    // Its own limits only, which the process lowers and raises as its claim grows.
    rules.allowWhen(SCMP_SYS(prlimit64), SCMP_A0(SCMP_CMP_EQ, 0, 0));
    rules.allow({SCMP_SYS(setrlimit)});
    // An abort ends the process the way it means to.
    rules.allowWhen(SCMP_SYS(tgkill), SCMP_A0(SCMP_CMP_EQ, scmp_datum_t(getpid()), 0));
    // Memory, but never code: nothing it decodes can be made to run. Libraries that compile code as they
    // go (regular expressions) are told no, and go on interpreting it.
    for (const int call : {SCMP_SYS(mmap), SCMP_SYS(mprotect)}) {
        rules.allowWhen(call, SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0));
        rules.failWhen(call, EPERM, SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, PROT_EXEC));
    }
    // Threads of its own, never a new process. Thread libraries try clone3 first, whose flags a filter
    // cannot see, and go back to clone when told it is missing.
    rules.allowWhen(SCMP_SYS(clone), SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD));
    rules.fail(SCMP_SYS(clone3), ENOSYS);
    rules.allowWhen(SCMP_SYS(prctl), SCMP_A0(SCMP_CMP_EQ, PR_SET_NAME, 0));
    rules.fail(SCMP_SYS(ioctl), ENOTTY); // asking whether a descriptor is a terminal
    if (harness)
        allowHarness(rules);
    else
        refuseFilesByName(rules);
    // The harness has threads already (libFuzzer's memory watch): all are held alike.
    return rules.complete() && (!harness || seccomp_attr_set(filter.get(), SCMP_FLTATR_CTL_TSYNC, 1) == 0) &&
           seccomp_load(filter.get()) == 0;
}

} // namespace

QString SandboxWalls::describe() const {
    QStringList walls;
    if (noNewPrivileges)
        walls << QStringLiteral("no new privileges");
    if (namespaces)
        walls << QStringLiteral("namespaces");
    if (landlock)
        walls << QStringLiteral("landlock");
    if (systemCallFilter)
        walls << QStringLiteral("system-call filter");
    return walls.isEmpty() ? QStringLiteral("none") : walls.join(QStringLiteral(", "));
}

SandboxWalls shutInForDecoding() {
    SandboxWalls walls;
    // First, while the process still may: a user namespace is refused once it has other threads, and
    // refused by most surrounding sandboxes.
    walls.namespaces = unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0;
    walls.noNewPrivileges = prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
    walls.landlock = walls.noNewPrivileges && enterLandlock();
    walls.systemCallFilter = walls.noNewPrivileges && enterSystemCallFilter(Held::decoder);
    return walls;
}

bool filterForFuzzing() {
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && enterSystemCallFilter(Held::fuzzingHarness);
}

} // namespace desktop
