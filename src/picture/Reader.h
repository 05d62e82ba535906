#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// What every format's reader is: the opened file, the load's claim and its progress in, the decoded picture
// out.
using Reader = DecodedPicture (*)(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);

} // namespace picture
