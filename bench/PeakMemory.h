#pragma once

#include <QString>
#include <QStringList>

// The budget cases run in a fresh process too: it loads the pictures, through the main window's Open
// commands one after the other or as the samples load, both at once, and prints
// "peak-resident <bytes> before <bytes>".
inline constexpr const char* loadPeakOption = "--load-peak-child";
int loadPeakChild(bool together, const QStringList& paths);
