#pragma once

#include "picture/formats/ByteCursor.h"

#include <functional>
#include <optional>

namespace picture {

// One entry of a TIFF directory, as the walker hands it over.
struct TiffEntry {
    qint64 at = 0; // where the entry's 12 bytes begin
    quint16 tag = 0;
    quint16 type = 0;
    quint32 count = 0;
    // The first value read as a SHORT from inside the entry, as a lone SHORT is kept.
    quint16 inlineShort = 0;
    // The values' size, -1 for a type TIFF does not define; they lie inside the entry when they fit in
    // its four bytes, and where it points otherwise.
    qint64 bytes = 0;
    qint64 valueAt = 0;
};

// The one walker of TIFF's directories, for TIFF and camera files and for EXIF blocks, which are TIFF:
// over a ByteCursor whose byte order the header sets.
class TiffDirectory {
public:
    // Reads a TIFF header from the cursor's first bytes, sets the cursor to its byte order and returns
    // where the first directory is; nothing when the bytes are no TIFF.
    static std::optional<qint64> first(ByteCursor& in);
    // Hands each whole entry of the directory at `at` to visit, in order, until visit returns false, and
    // returns where the next directory is (0 for none). A directory that runs past the bytes ends the
    // walk at its first broken entry and leaves the cursor overrun.
    static qint64 walk(ByteCursor& in, qint64 at, const std::function<bool(const TiffEntry&)>& visit);
};

} // namespace picture
