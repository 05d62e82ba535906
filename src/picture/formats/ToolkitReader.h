#pragma once

#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QIODevice>

namespace picture {

// Decodes the formats no better reader here takes (the netpbm family, XPM, XBM, and whatever else the
// toolkit has a reader for) with the toolkit, from the whole file held in memory. A walk over the file's
// structure first finds its declared size and whether all of it is there, which the toolkit's readers
// would not report.
class ToolkitReader {
public:
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress& progress);
    // Whether one of the toolkit's readers takes the file, by its first bytes; the file stays where it was.
    static bool recognises(QIODevice& file);

    // Lets the toolkit's reader take what budget allows. Its limit is one number for the whole process,
    // read by every reader on every thread, so it is set before any load runs and only ever raised.
    static void allowFor(const LoadBudget& budget);
};

} // namespace picture
