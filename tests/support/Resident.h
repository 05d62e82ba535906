#pragma once

#include <QtGlobal>

// The bytes of this process's memory resident now, from /proc/self/statm.
qint64 residentBytes();
