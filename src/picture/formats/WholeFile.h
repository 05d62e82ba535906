#pragma once

#include "picture/LoadBudget.h"

#include <QByteArray>
#include <QIODevice>

namespace picture {

// The whole file, claimed first, for the libraries that read a format from memory; a file that gives
// fewer bytes than it has is refused as damaged.
QByteArray wholeFile(QIODevice& file, LoadBudget::Claim& claim);

} // namespace picture
