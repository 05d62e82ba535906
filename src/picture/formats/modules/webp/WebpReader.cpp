#include "picture/formats/modules/webp/WebpReader.h"

#include "desktop/Owned.h"
#include "picture/PictureFailures.h"
#include "picture/formats/ExifOrientation.h"
#include "picture/formats/FormatModule.h"
#include "picture/formats/WholeFile.h"

#include <QScopeGuard>

#include <cstring>

#include <webp/decode.h>
#include <webp/demux.h>

namespace picture {

namespace {

using Demux = desktop::Owned<WebPDemuxer, WebPDemuxDelete>;

QByteArray chunk(const WebPDemuxer* demux, const char* fourcc) {
    WebPChunkIterator found;
    QByteArray bytes;
    if (WebPDemuxGetChunk(demux, fourcc, 1, &found))
        bytes = QByteArray(reinterpret_cast<const char*>(found.chunk.bytes), qsizetype(found.chunk.size));
    WebPDemuxReleaseChunkIterator(&found);
    return bytes;
}

void describe(const WebPDemuxer* demux, DecodedPicture& decoded) {
    decoded.colour.iccProfile = chunk(demux, "ICCP");
    QByteArray exif = chunk(demux, "EXIF");
    // Some writers keep the JPEG segment's "Exif" mark in front of the TIFF header.
    if (exif.startsWith(QByteArrayView("Exif\0\0", 6)))
        exif.remove(0, 6);
    decoded.orientation = ExifOrientation::read(exif);
}

// Lossless frames decode through a whole-frame buffer of 32-bit pixels, alpha through a plane of bytes.
qint64 decoderBuffers(const WebPBitstreamFeatures& features) {
    const qint64 pixels = qint64(features.width) * features.height;
    return (features.format == 2 ? pixels * 4 : 0) + (features.has_alpha ? pixels : 0);
}

} // namespace

DecodedPicture WebpReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
    const QByteArray bytes = wholeFile(file, claim);
    const WebPData data{reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};
    const Demux demux(WebPDemux(&data));
    if (!demux)
        invalidPicture();
    const QSize canvas(int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH)),
                       int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT)));
    WebPIterator frame;
    const bool found = WebPDemuxGetFrame(demux.get(), 1, &frame);
    const auto release = qScopeGuard([&frame] { WebPDemuxReleaseIterator(&frame); });
    WebPDecoderConfig config;
    if (!found || !WebPInitDecoderConfig(&config) ||
        WebPGetFeatures(frame.fragment.bytes, frame.fragment.size, &config.input) != VP8_STATUS_OK ||
        config.input.width != frame.width || config.input.height != frame.height)
        invalidPicture();
    const qint64 buffers = decoderBuffers(config.input);
    claim.budget().refuseIfTooLarge(canvas, claim.bytes() + buffers);

    DecodedPicture decoded;
    describe(demux.get(), decoded);
    decoded.image = claim.rgb32(canvas.width(), canvas.height(), buffers);
    const bool coversCanvas = QSize(frame.width, frame.height) == canvas;
    if (!coversCanvas)
        std::memset(decoded.image.bits(), 0, size_t(decoded.image.sizeInBytes())); // transparent
    const qsizetype stride = decoded.image.bytesPerLine();
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = decoded.image.bits() + frame.y_offset * stride + frame.x_offset * 4;
    config.output.u.RGBA.stride = int(stride);
    config.output.u.RGBA.size = size_t(stride) * (frame.height - 1) + size_t(frame.width) * 4;
    const VP8StatusCode status = WebPDecode(frame.fragment.bytes, frame.fragment.size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status == VP8_STATUS_OUT_OF_MEMORY)
        outOfMemory();
    if (status != VP8_STATUS_OK)
        invalidPicture();
    if (frame.has_alpha || !coversCanvas)
        decoded.image.reinterpretAsFormat(QImage::Format_ARGB32); // laid on white after the colour stage
    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::WebpReader)
