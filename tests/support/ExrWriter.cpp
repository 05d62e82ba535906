#include "support/ExrWriter.h"

#include <ImfChannelList.h>
#include <ImfChromaticities.h>
#include <ImfHeader.h>
#include <ImfRgbaFile.h>
#include <ImfStandardAttributes.h>
#include <ImfStdIO.h>

#include <vector>

namespace test {

QByteArray writeExr(const ExrShape& shape) {
    Imf::Header header(shape.width, shape.height);
    header.compression() = shape.zip ? Imf::ZIP_COMPRESSION : Imf::NO_COMPRESSION;
    if (const auto& c = shape.chromaticities)
        Imf::addChromaticities(header, Imf::Chromaticities({(*c)[0], (*c)[1]}, {(*c)[2], (*c)[3]},
                                                           {(*c)[4], (*c)[5]}, {(*c)[6], (*c)[7]}));
    std::vector<Imf::Rgba> pixels;
    for (int y = 0; y < shape.height; ++y) {
        for (int x = 0; x < shape.width; ++x) {
            const LinearPixel p = shape.pixel(x, y);
            pixels.emplace_back(p.r, p.g, p.b, p.a);
        }
    }
    Imf::StdOSStream stream;
    {
        Imf::RgbaOutputFile file(stream, header, Imf::WRITE_RGBA);
        file.setFrameBuffer(pixels.data(), 1, size_t(shape.width));
        file.writePixels(shape.height);
    }
    const std::string written = stream.str();
    return QByteArray(written.data(), qsizetype(written.size()));
}

} // namespace test
