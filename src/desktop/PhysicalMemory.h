#pragma once

#include <QtGlobal>

namespace desktop {

// The machine's installed memory in bytes, or 0 when the system will not say.
qint64 physicalMemory();

// Asks for bytes not yet touched to be backed by ordinary pages even where the system hands out large ones
// unasked. A person opens a picture in a fresh process after the machine has idled: large pages then come
// back from the system cold, each a costly fault, and a picture reached the screen up to 1.4 times later
// than in ordinary pages, which come back warm from what other processes freed.
void preferSmallPages(void* bytes, qint64 length);

} // namespace desktop
