#pragma once

#include <QString>
#include <QStringList>

// The peak-memory case runs in a fresh process, so that nothing the other cases held counts.
// The benchmark starts itself again with this option and the two pictures' paths.
inline constexpr const char* peakMemoryOption = "--peak-memory-child";

// Opens both pictures through the main window's commands, shows them there and in full screen, and
// prints "peak-resident <bytes>".
int peakMemoryChild(const QString& first, const QString& second);

// The budget cases run in a fresh process too: it loads the pictures, through the main window's Open
// commands one after the other or as the samples load, both at once, and prints
// "peak-resident <bytes> before <bytes>".
inline constexpr const char* loadPeakOption = "--load-peak-child";
int loadPeakChild(bool together, const QStringList& paths);
