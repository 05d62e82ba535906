#pragma once

#include <cstdint>

// This process's memory as the kernel counts it.
namespace processMemory {

// Resident bytes now, from /proc/self/statm.
int64_t resident();
// The most bytes ever resident, from VmHWM in /proc/self/status.
int64_t peakResident();

} // namespace processMemory
