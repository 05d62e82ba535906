#pragma once

#include "picture/LoadBudget.h"

#include <QImage>
#include <QString>

namespace picture {

class FormatModules;

// Loads picture files by path: JPEG, PNG, GIF, BMP, the formats whose readers are modules, and every other
// format the installed toolkit reads, judged by content rather than by extension. The result is 32-bit RGB,
// the format that paints fastest. Failures carry short descriptions: "File not found", "Invalid picture",
// "Out of memory", ...
class PictureLoader {
public:
    // Within the process's shared memory budget.
    static QImage load(const QString& path, FormatModules& formats);
    static QImage load(const QString& path, LoadBudget& budget, FormatModules& formats);

    // The most bytes the loads running at one time may take together, sized to the machine's memory.
    static qint64 memoryLimit();
};

} // namespace picture
