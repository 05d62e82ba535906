#pragma once

#include <QString>

// The peak-memory case runs in a fresh process, so that nothing the other cases held counts.
// The benchmark starts itself again with this option and the two pictures' paths.
inline constexpr const char* peakMemoryOption = "--peak-memory-child";

// Opens both pictures through the main window's commands, shows them there and in full screen, and
// prints "peak-resident <bytes>".
int peakMemoryChild(const QString& first, const QString& second);
