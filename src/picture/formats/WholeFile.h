#pragma once

#include "picture/LoadBudget.h"

#include <QByteArray>
#include <QIODevice>

namespace picture {

// The whole file, for the libraries that read a format from memory: claimed first, with `alongside` bytes
// more in the same step, and read rather than mapped, since a file cut short by another program while
// mapped would bring the program down instead of failing the load. A file that gives fewer bytes than it
// has is refused as damaged.
QByteArray wholeFile(QIODevice& file, LoadBudget::Claim& claim, qint64 alongside = 0);

// count bytes from where the file is, refused as damaged when it holds fewer.
QByteArray readExactly(QIODevice& file, qint64 count);

} // namespace picture
