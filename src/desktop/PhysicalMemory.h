#pragma once

#include <QtGlobal>

namespace desktop {

// The machine's installed memory in bytes, or 0 when the system will not say.
qint64 physicalMemory();

// Asks for bytes not yet touched to be backed by large pages where the system offers them on request: a
// picture of a hundred megabytes then costs a few dozen page faults instead of tens of thousands, which
// two loads at once would otherwise contend for. Nothing happens where the system has no such pages.
void preferLargePages(void* bytes, qint64 length);
// Undoes that, for bytes written so slowly that pages zeroed ahead of the writes only crowd the cache.
void preferSmallPages(void* bytes, qint64 length);

} // namespace desktop
