#pragma once

#include <QString>

namespace desktop {

// The walls a process built around itself. A wall the kernel lacks, or that a sandbox around the program
// (a Flatpak, firejail, an AppArmor profile) refuses, is left out; the process works within the others.
struct SandboxWalls {
    bool noNewPrivileges = false;  // no program it runs can gain rights
    bool namespaces = false;       // a user and network namespace of its own: no network at all
    bool landlock = false;         // no file opened by name, no network, no signal beyond itself
    bool systemCallFilter = false; // only the system calls decoding needs; any other ends the process

    // "no new privileges, namespaces, landlock, system-call filter", naming those in effect.
    QString describe() const;
};

// Shuts the calling process in to decode what it was handed: from here on it reads and writes only the
// descriptors it holds, maps memory, starts threads and ends; it opens no file by name (an attempt fails
// with EACCES, as libraries that probe for optional files expect), and anything that reaches further
// (sockets, other programs, other processes, new processes) ends it at once. Call it while the process has
// one thread: a new user namespace is refused to a process that has started others.
SandboxWalls shutInForDecoding();

// The system-call filter of shutInForDecoding alone, for a harness that fuzzes the readers in one process,
// on every thread it has and starts: beside the decoder's rules it may name files (to read its seeds and
// write what it learns and the inputs that fail) and run its leak checker. A call outside the rules sends
// SIGSYS, for the harness to name the call and keep the input, where the decoder is ended. Namespaces and
// Landlock are left out: they would keep the harness from its files. True when the filter is in place.
bool filterForFuzzing();

} // namespace desktop
