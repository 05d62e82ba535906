#pragma once

#include <sys/types.h>

#include <vector>

// The decoder helpers this process has started that have not ended, by process id.
std::vector<pid_t> decoderHelpers();
