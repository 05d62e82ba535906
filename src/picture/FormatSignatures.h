#pragma once

#include "picture/Reader.h"

#include <QIODevice>
#include <QString>

namespace picture {

// A format as a file's content names it: a reader built into the program, or a module by name.
struct Format {
    // "png", "bmp" or "toolkit" for the readers built into the program; for a module, its name from the
    // formats' table (picture/ModuleNames.h).
    QString name;
    Reader builtIn = nullptr; // null for a module's format
};

// Every format the program knows is recognised here, by the file's content and never by its name. What
// no signature claims goes to the toolkit's readers.
//
// TIFF-shaped camera files go to "raw": a CR2 ("CR" 2 after the header), or a first directory that
// carries DNGVersion, a colour-filter-array or linear-raw photometric, or a camera Make together with
// SubIFDs (the raw data kept below a preview, as NEF, ARW and PEF do). Any other TIFF is a "tiff".
// TGA has no signature: its 2.0 footer, or a header whose every field is one the format allows.
class FormatSignatures {
public:
    // Reads the file's first 4 KB and, for a TIFF or TGA, where their structure points; the file is put
    // back where it was.
    static Format recognise(QIODevice& file);
};

} // namespace picture
