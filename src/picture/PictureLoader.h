#pragma once

#include <QImage>
#include <QString>

namespace picture {

// Loads picture files by path: JPEG, BMP, GIF and every other format the installed toolkit reads, judged
// by content rather than by extension. The result is 32-bit RGB, the format that paints fastest.
// Failures carry short descriptions: "File not found", "Invalid picture", "Out of memory", ...
class PictureLoader {
public:
    static QImage load(const QString& path);

    // The most bytes one decoded picture may take, sized to the machine's memory.
    static qint64 memoryLimit();
};

} // namespace picture
