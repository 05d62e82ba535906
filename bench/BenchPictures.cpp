#include "BenchPictures.h"
#include "support/BmpFile.h"
#include "support/DngFile.h"
#include "support/ExrWriter.h"
#include "support/JpegWriter.h"

#include "desktop/Owned.h"

#include <QColorSpace>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <png.h>
#include <tiffio.h>
#include <turbojpeg.h>
// libqoi is a header alone: its functions are built here, for the writer below and the benchmark's baseline.
#define QOI_IMPLEMENTATION
#include <qoi.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

QImage photo(QSize size, int variant) {
    QImage image(size, QImage::Format_RGB32);
    const int w = size.width();
    const int h = size.height();
    quint32 noise = 2463534242u + quint32(variant);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int ty = (y + 37 * variant) % 300 - 150;
        for (int x = 0; x < w; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int grain = int(noise & 15) - 8;
            int r = 30 + int(qint64(x) * 200 / w);
            int g = 40 + int(qint64(y) * 180 / h);
            int b = 220 - int(qint64(x + y) * 160 / (w + h));
            // A disc in every other 300-pixel tile gives hard edges in every direction.
            const int tx = x % 300 - 150;
            if ((x / 300 + y / 300 + variant) % 2 == 1 && tx * tx + ty * ty < 110 * 110) {
                r = 255 - r;
                g /= 2;
                b = 255 - b;
            }
            line[x] = qRgb(std::clamp(r + grain, 0, 255), std::clamp(g + grain, 0, 255),
                           std::clamp(b + grain, 0, 255));
        }
    }
    return image;
}

void write(const QString& path, const char* data, qint64 size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data, size) != size)
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray bmp24(const QImage& image) {
    const int stride = (image.width() * 3 + 3) / 4 * 4;
    test::BmpFile file{.width = image.width(), .height = image.height()};
    file.pixels.reserve(qsizetype(stride) * image.height());
    QByteArray row(stride, '\0');
    for (int y = image.height() - 1; y >= 0; --y) { // bottom row first
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            row[3 * x] = char(qBlue(pixels[x]));
            row[3 * x + 1] = char(qGreen(pixels[x]));
            row[3 * x + 2] = char(qRed(pixels[x]));
        }
        file.pixels += row;
    }
    return file.bytes();
}

// One row of smooth light crossed by hard-edged bands, as 8-bit RGB.
void smoothRow(int y, QSize size, std::vector<unsigned char>& row) {
    row.resize(size_t(size.width()) * 3);
    for (int x = 0; x < size.width(); ++x) {
        const bool band = (x / 200 + y / 200) % 2 == 1;
        row[3 * x] = static_cast<unsigned char>(band ? 255 - x % 256 : x % 256);
        row[3 * x + 1] = static_cast<unsigned char>(y % 256);
        row[3 * x + 2] = static_cast<unsigned char>((x + y) / 64 % 256);
    }
}

// Each 8-bit sRGB level in linear light.
std::array<float, 256> linearLevels() {
    std::array<float, 256> levels{};
    for (int i = 0; i < 256; ++i) {
        const double v = i / 255.0;
        levels[size_t(i)] = float(v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
    }
    return levels;
}

QString named(const QString& stem, QSize size, const QString& suffix) {
    return QDir(BenchPictures::folder())
        .filePath(QStringLiteral("%1-%2x%3.%4").arg(stem).arg(size.width()).arg(size.height()).arg(suffix));
}

} // namespace

QString BenchPictures::folder() {
    static const QTemporaryDir dir;
    return dir.path();
}

QString BenchPictures::jpeg(QSize size, int variant) {
    const QString path = named(QStringLiteral("photo%1").arg(variant), size, QStringLiteral("jpg"));
    if (QFile::exists(path))
        return path;
    const QImage image = photo(size, variant);
    const desktop::Owned<void, tjDestroy> encoder(tjInitCompress());
    unsigned char* encoded = nullptr;
    unsigned long encodedSize = 0;
    if (tjCompress2(encoder.get(), image.constBits(), image.width(), int(image.bytesPerLine()),
                    image.height(), TJPF_BGRX, &encoded, &encodedSize, TJSAMP_420, 90, 0) != 0)
        throw std::runtime_error(tjGetErrorStr2(encoder.get()));
    const desktop::Owned<unsigned char, tjFree> owned(encoded);
    write(path, reinterpret_cast<const char*>(owned.get()), qint64(encodedSize));
    return path;
}

QString BenchPictures::hugePng(QSize size) {
    const QString path = named(QStringLiteral("smooth"), size, QStringLiteral("png"));
    if (QFile::exists(path))
        return path;
    const desktop::Owned<FILE, std::fclose> file(std::fopen(path.toLocal8Bit().constData(), "wb"));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!file || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("cannot write " + path.toStdString());
    }
    png_init_io(png, file.get());
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, png_uint_32(size.width()), png_uint_32(size.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<unsigned char> row;
    for (int y = 0; y < size.height(); ++y) {
        smoothRow(y, size, row);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return path;
}

QString BenchPictures::tiledTiff(QSize size) {
    const QString path = named(QStringLiteral("tiled"), size, QStringLiteral("tif"));
    if (QFile::exists(path))
        return path;
    const desktop::Owned<TIFF, TIFFClose> tiff(TIFFOpen(path.toLocal8Bit().constData(), "w8"));
    constexpr int tile = 256;
    if (!tiff)
        throw std::runtime_error("cannot write " + path.toStdString());
    TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, quint32(size.width()));
    TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, quint32(size.height()));
    TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, quint16(3));
    TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, quint16(8));
    TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff.get(), TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff.get(), TIFFTAG_TILEWIDTH, quint32(tile));
    TIFFSetField(tiff.get(), TIFFTAG_TILELENGTH, quint32(tile));
    // A band of tile rows at a time: the picture is made as it is written.
    std::vector<unsigned char> band(size_t(size.width() + tile) * 3 * tile);
    std::vector<unsigned char> row;
    std::vector<unsigned char> pieces(size_t(tile) * tile * 3);
    for (int top = 0; top < size.height(); top += tile) {
        for (int y = 0; y < tile; ++y) {
            smoothRow(std::min(top + y, size.height() - 1), size, row);
            std::copy(row.begin(), row.end(), band.begin() + std::ptrdiff_t(y) * (size.width() + tile) * 3);
        }
        for (int left = 0; left < size.width(); left += tile) {
            for (int y = 0; y < tile; ++y)
                std::copy_n(band.begin() + (std::ptrdiff_t(y) * (size.width() + tile) + left) * 3, tile * 3,
                            pieces.begin() + std::ptrdiff_t(y) * tile * 3);
            if (TIFFWriteTile(tiff.get(), pieces.data(), quint32(left), quint32(top), 0, 0) < 0)
                throw std::runtime_error("cannot write " + path.toStdString());
        }
    }
    return path;
}

QString BenchPictures::restartJpeg(QSize size) {
    const QString path = named(QStringLiteral("restart"), size, QStringLiteral("jpg"));
    if (!QFile::exists(path)) {
        const QByteArray bytes =
            test::writeJpeg(photo(size, 0), {.restartInterval = (size.width() + 15) / 16});
        write(path, bytes.constData(), bytes.size());
    }
    return path;
}

QString BenchPictures::madeBy(const QString& commandLine, QSize size) {
    const QString png = named(QStringLiteral("photo0"), size, QStringLiteral("png"));
    // Barely compressed: the tools read it in a moment.
    if (!QFile::exists(png) && !photo(size, 0).save(png, "PNG", 90))
        throw std::runtime_error("cannot write " + png.toStdString());
    QStringList words = QString(commandLine).replace(QLatin1String("{photo}"), png).split(QLatin1Char(' '));
    const QString path = QDir(folder()).filePath(words.last());
    if (QFile::exists(path))
        return path;
    QProcess tool;
    tool.setWorkingDirectory(folder());
    tool.start(words.takeFirst(), words);
    if (!tool.waitForFinished(300000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        throw std::runtime_error(commandLine.toStdString() +
                                 " failed: " + tool.readAllStandardError().toStdString());
    return path;
}

QString BenchPictures::adobeRgbJpeg(QSize size) {
    const QString path = named(QStringLiteral("adobe-rgb"), size, QStringLiteral("jpg"));
    if (QFile::exists(path))
        return path;
    QFile plain(jpeg(size));
    if (!plain.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + plain.fileName().toStdString());
    const QByteArray bytes = plain.readAll();
    // An APP2 segment right after the start marker: the ICC signature, part 1 of 1, the profile.
    const QByteArray profile = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
    QByteArray segment = QByteArrayLiteral("ICC_PROFILE") + '\0' + char(1) + char(1) + profile;
    const int length = int(segment.size()) + 2;
    segment.prepend(char(length & 0xff)).prepend(char(length >> 8)).prepend("\xff\xe2");
    const QByteArray tagged = bytes.left(2) + segment + bytes.mid(2);
    write(path, tagged.constData(), tagged.size());
    return path;
}

QString BenchPictures::bmp(QSize size) {
    const QString path = named(QStringLiteral("photo"), size, QStringLiteral("bmp"));
    if (!QFile::exists(path)) {
        const QByteArray bytes = bmp24(photo(size, 0));
        write(path, bytes.constData(), bytes.size());
    }
    return path;
}

QString BenchPictures::plainBmp(QSize size) {
    const QString path = named(QStringLiteral("plain"), size, QStringLiteral("bmp"));
    if (QFile::exists(path))
        return path;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write " + path.toStdString());
    const qint64 stride = (qint64(size.width()) * 3 + 3) / 4 * 4;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("BM", 2);
    out << quint32(54 + stride * size.height()) << quint32(0) << quint32(54);
    out << quint32(40) << qint32(size.width()) << qint32(size.height()) << quint16(1) << quint16(24)
        << quint32(0) << quint32(stride * size.height()) << qint32(2835) << qint32(2835) << quint32(0)
        << quint32(0);
    QByteArray row(stride, '\0');
    for (int y = 0; y < size.height(); ++y) {
        row.fill(char(y % 251), 3 * size.width());
        if (out.writeRawData(row.constData(), int(stride)) != stride)
            throw std::runtime_error("cannot write " + path.toStdString());
    }
    return path;
}

QString BenchPictures::grey16Png(QSize size, int variant) {
    const QString path = named(QStringLiteral("grey16-%1").arg(variant), size, QStringLiteral("png"));
    if (QFile::exists(path))
        return path;
    const desktop::Owned<FILE, std::fclose> file(std::fopen(QFile::encodeName(path).constData(), "wb"));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!file || !png || !info || setjmp(png_jmpbuf(png)))
        throw std::runtime_error("cannot write " + path.toStdString());
    png_init_io(png, file.get());
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, png_uint_32(size.width()), png_uint_32(size.height()), 16, PNG_COLOR_TYPE_GRAY,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(size_t(size.width()) * 2);
    for (int y = 0; y < size.height(); ++y) {
        std::fill(row.begin(), row.end(), png_byte(0x40 + 0x20 * variant + (y / 4096) * 8));
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return path;
}

QString BenchPictures::exr(QSize size) {
    const QString path = named(QStringLiteral("photo"), size, QStringLiteral("exr"));
    if (QFile::exists(path))
        return path;
    const QImage image = photo(size, 0);
    const std::array<float, 256> linear = linearLevels();
    const QByteArray bytes = test::writeExr(test::ExrShape(size.width(), size.height(), [&](int x, int y) {
        const QRgb pixel = reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
        return test::LinearPixel{linear[qRed(pixel)], linear[qGreen(pixel)], linear[qBlue(pixel)], 1};
    }));
    write(path, bytes.constData(), bytes.size());
    return path;
}

QString BenchPictures::dng(QSize size) {
    const QString path = named(QStringLiteral("photo"), size, QStringLiteral("dng"));
    if (QFile::exists(path))
        return path;
    const QImage image = photo(size, 0);
    const std::array<float, 256> linear = linearLevels();
    dng::Mosaic mosaic{.width = size.width(),
                       .height = size.height(),
                       .levels = {},
                       .asShotNeutral = {1, 1, 1},
                       .orientation = 1};
    mosaic.levels.reserve(qsizetype(size.width()) * size.height());
    for (int y = 0; y < size.height(); ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < size.width(); ++x)
            mosaic.levels.append(
                {linear[qRed(pixels[x])], linear[qGreen(pixels[x])], linear[qBlue(pixels[x])]});
    }
    const QByteArray bytes = dng::write(mosaic);
    write(path, bytes.constData(), bytes.size());
    return path;
}

QString BenchPictures::qoi(QSize size) {
    const QString path = named(QStringLiteral("photo"), size, QStringLiteral("qoi"));
    if (QFile::exists(path))
        return path;
    const QImage image = photo(size, 0);
    std::vector<unsigned char> rgb;
    rgb.reserve(size_t(size.width()) * size_t(size.height()) * 3);
    for (int y = 0; y < size.height(); ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < size.width(); ++x)
            rgb.insert(rgb.end(),
                       {uchar(qRed(pixels[x])), uchar(qGreen(pixels[x])), uchar(qBlue(pixels[x]))});
    }
    const qoi_desc description{unsigned(size.width()), unsigned(size.height()), 3, QOI_SRGB};
    int length = 0;
    const desktop::Owned<void, std::free> encoded(qoi_encode(rgb.data(), &description, &length));
    if (!encoded)
        throw std::runtime_error("cannot encode " + path.toStdString());
    write(path, static_cast<const char*>(encoded.get()), length);
    return path;
}

QString BenchPictures::svg(QSize size) {
    const QString path = named(QStringLiteral("drawing"), size, QStringLiteral("svg"));
    if (QFile::exists(path))
        return path;
    const int w = size.width();
    const int h = size.height();
    QString text =
        QStringLiteral("<svg xmlns='http://www.w3.org/2000/svg' width='%1' height='%2' viewBox='0 0 %1 %2'>"
                       "<defs><linearGradient id='sky' x2='1' y2='1'><stop offset='0' stop-color='#1c3f7a'/>"
                       "<stop offset='1' stop-color='#f2b25c'/></linearGradient>"
                       "<radialGradient id='ball'><stop offset='0' stop-color='#fff'/>"
                       "<stop offset='1' stop-color='#c0392b' stop-opacity='0.4'/></radialGradient></defs>"
                       "<rect width='%1' height='%2' fill='url(#sky)'/>")
            .arg(w)
            .arg(h);
    quint32 state = 12345;
    const auto next = [&state](int below) {
        state = state * 1664525u + 1013904223u;
        return int((state >> 8) % quint32(below));
    };
    for (int i = 0; i < 150; ++i)
        text += QStringLiteral("<circle cx='%1' cy='%2' r='%3' fill='url(#ball)' opacity='0.7'/>")
                    .arg(next(w))
                    .arg(next(h))
                    .arg(50 + next(w / 15));
    for (int i = 0; i < 60; ++i)
        text += QStringLiteral(
                    "<path d='M%1 %2 C%3 %4 %5 %6 %7 %8' fill='none' stroke='#%9' stroke-width='%10'/>")
                    .arg(next(w))
                    .arg(next(h))
                    .arg(next(w))
                    .arg(next(h))
                    .arg(next(w))
                    .arg(next(h))
                    .arg(next(w))
                    .arg(next(h))
                    .arg(next(0x1000000), 6, 16, QLatin1Char('0'))
                    .arg(4 + next(40));
    text += QStringLiteral("</svg>");
    const QByteArray bytes = text.toUtf8();
    write(path, bytes.constData(), bytes.size());
    return path;
}
