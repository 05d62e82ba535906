#pragma once

#include "desktop/Sandbox.h"

#include <sanitizer/common_interface_defs.h>
#include <seccomp.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

// Holds the fuzz target to the decoder's system-call filter from its first input on, once the reader's
// libraries are loaded, as the decoder holds itself once it has loaded its module.
inline void filterAsTheDecoder() {
    static const bool filtered = [] {
        // A refused call is named, then made a crash, which libFuzzer reports with its stack and keeps the
        // input of.
        struct sigaction refused = {};
        refused.sa_flags = SA_SIGINFO;
        refused.sa_sigaction = [](int, siginfo_t* info, void*) {
            const char* name = seccomp_syscall_resolve_num_arch(SCMP_ARCH_NATIVE, info->si_syscall);
            char line[128];
            const int length = std::snprintf(line, sizeof line, "==%d== The decoder's filter refuses %s\n",
                                             int(getpid()), name ? name : "an unknown system call");
            (void)!write(STDERR_FILENO, line, std::min(std::size_t(length), sizeof line - 1));
            std::abort();
        };
        // The sanitizers name a crash's frames through a program they start the first time they need it,
        // which the filter would refuse: it starts now.
        char frame[256];
        __sanitizer_symbolize_pc(reinterpret_cast<void*>(&filterAsTheDecoder), "%F", frame, sizeof frame);
        return sigaction(SIGSYS, &refused, nullptr) == 0 && desktop::filterForFuzzing();
    }();
    if (!filtered) {
        std::fputs("The decoder's filter could not be set up\n", stderr);
        std::abort();
    }
}
