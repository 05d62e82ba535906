#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Pictures made by formula, so that a pixel tells where it came from.
namespace pictures {

// Red = x mod 256, green = y mod 256, blue from the high bits of both.
QImage coordinates(int width, int height);
// Smooth shading, which JPEG keeps close.
QImage shading(int width = 240, int height = 160);
// A picture in one colour.
QImage plain(int width, int height, QRgb colour);
// Saves a picture into folder under name and returns the full path.
QString save(const QImage& picture, const QString& folder, const QString& name);
// The bytes of a picture in a file format: "jpeg", "bmp", "png", or "gif", which the toolkit cannot write.
QByteArray encoded(const QImage& picture, const char* format);
// A PNG's bytes with a chunk put right after its header chunk.
QByteArray withChunk(const QByteArray& png, const char* type, const QByteArray& data);
// A PNG of the picture's colours stored interlaced, in seven passes, which the toolkit does not write.
QByteArray interlacedPng(const QImage& picture);
// Random bytes, the same on every run.
QByteArray noise(qsizetype size);
// Writes bytes into folder under name and returns the full path.
QString write(const QByteArray& bytes, const QString& folder, const QString& name);
// The largest difference of red, green or blue between two pictures' pixels; 256 for different sizes.
int largestDifference(const QImage& a, const QImage& b);

} // namespace pictures
