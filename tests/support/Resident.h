#pragma once

#include <QtGlobal>

// The bytes of this process's memory resident now, from /proc/self/statm.
qint64 residentBytes();
// The bytes of address space this process has mapped now, resident or not, from the same place.
qint64 mappedBytes();
