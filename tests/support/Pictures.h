#pragma once

#include <QImage>
#include <QString>

// Pictures made by formula, so that a pixel tells where it came from.
namespace pictures {

// Red = x mod 256, green = y mod 256, blue from the high bits of both.
QImage coordinates(int width, int height);
// A picture in one colour.
QImage plain(int width, int height, QRgb colour);
// Saves a picture into folder under name and returns the full path.
QString save(const QImage& picture, const QString& folder, const QString& name);

} // namespace pictures
