#include "support/ExrWriter.h"

#include <ImfChannelList.h>
#include <ImfChromaticities.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <ImfRgbaFile.h>
#include <ImfStandardAttributes.h>
#include <ImfStdIO.h>

#include <vector>

namespace test {

namespace {

// The pixels as the named channels, through OpenEXR's general interface.
void writeChannels(const ExrShape& shape, const std::vector<Imf::Rgba>& pixels, Imf::Header header,
                   Imf::OStream& stream) {
    std::vector<std::vector<half>> planes;
    for (const auto& [name, component] : shape.channels) {
        header.channels().insert(name, Imf::Channel(Imf::HALF));
        std::vector<half>& plane = planes.emplace_back();
        for (const Imf::Rgba& p : pixels)
            plane.push_back(component == 'R' ? p.r : component == 'G' ? p.g : component == 'B' ? p.b : p.a);
    }
    Imf::FrameBuffer frame;
    for (size_t i = 0; i < planes.size(); ++i)
        frame.insert(shape.channels[i].first, Imf::Slice(Imf::HALF, reinterpret_cast<char*>(planes[i].data()),
                                                         sizeof(half), sizeof(half) * size_t(shape.width)));
    Imf::OutputFile file(stream, header);
    file.setFrameBuffer(frame);
    file.writePixels(shape.height);
}

} // namespace

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
    if (!shape.channels.empty()) {
        writeChannels(shape, pixels, header, stream);
    } else {
        Imf::RgbaOutputFile file(stream, header, Imf::WRITE_RGBA);
        file.setFrameBuffer(pixels.data(), 1, size_t(shape.width));
        file.writePixels(shape.height);
    }
    const std::string written = stream.str();
    return QByteArray(written.data(), qsizetype(written.size()));
}

} // namespace test
