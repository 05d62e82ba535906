#pragma once

#include "picture/Reader.h"

#include <QFile>
#include <QString>

namespace picture {

// The readers kept in the format modules, asked for by module name: run in this process
// (FormatModules), or each picture in a sandboxed helper process (SandboxedFormats). Loads on several
// threads may read at once.
class FormatReaders {
public:
    virtual ~FormatReaders() = default;
    // Reads the opened file as the named module's reader does; fails with "Unsupported picture format"
    // when the module cannot be had.
    virtual DecodedPicture read(const QString& name, QFile& file, LoadBudget::Claim& claim,
                                Progress& progress) = 0;
};

} // namespace picture
