#pragma once

#include <QtGlobal>

namespace desktop {

// The machine's installed memory in bytes, or 0 when the system will not say.
qint64 physicalMemory();

} // namespace desktop
