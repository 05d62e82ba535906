#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"

#include <QIODevice>

namespace picture {

// What every format's reader is: the opened file and the load's claim in, the decoded picture out.
using Decoder = DecodedPicture (*)(QIODevice& file, LoadBudget::Claim& claim);

} // namespace picture
