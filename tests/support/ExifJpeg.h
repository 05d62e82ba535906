#pragma once

#include <QByteArray>

namespace test {

// A JPEG's bytes with an EXIF block that gives the orientation (1 to 8) added after the start marker,
// as a camera writes it.
QByteArray withExifOrientation(const QByteArray& jpeg, int orientation);

} // namespace test
