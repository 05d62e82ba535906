#pragma once

#include <QString>

// Each module format's library decoding a file alone, with nothing around it: read the file and decode it
// into a new buffer, with the settings and threads the program's reader gives the library.
namespace baseline {

void webp(const QString& path);
void tiff(const QString& path);
void heif(const QString& path);
void avif(const QString& path);
void avifOnOneThread(const QString& path);
void jxl(const QString& path);
void jp2(const QString& path);
void jp2OnOneThread(const QString& path);
void exr(const QString& path);
void exrOnOneThread(const QString& path);
void raw(const QString& path);
void svg(const QString& path);
void qoi(const QString& path);
void packBitsPsd(const QString& path);

} // namespace baseline
