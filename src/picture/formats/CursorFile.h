#pragma once

#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QString>

namespace picture {

// A pointer image read from a Windows cursor file, with its hot spot.
struct PointerImage {
    QImage image;
    QPoint hotSpot;
};

class CursorFile {
public:
    // Parses the bytes of a cursor file; fails with "Invalid picture" on anything malformed.
    static PointerImage parse(const QByteArray& data);
    // Loads a cursor file as a pointer; "File not found" when it cannot be read.
    static QCursor load(const QString& path);
};

} // namespace picture
