#include "support/JxlWriter.h"

#include <jxl/encode.h>
#include <jxl/encode_cxx.h>

#include <vector>

namespace test {

QByteArray writeCmykJxl(const QImage& inks, const QByteArray& cmykProfile) {
    const QImage pixels = inks.convertToFormat(QImage::Format_ARGB32);
    const auto width = uint32_t(pixels.width()), height = uint32_t(pixels.height());
    // JPEG XL keeps inks inverted: 255 is no ink.
    std::vector<uint8_t> colour, black;
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar* pixel = pixels.constScanLine(y);
        for (int x = 0; x < pixels.width(); ++x, pixel += 4) {
            for (int c = 0; c < 3; ++c)
                colour.push_back(uint8_t(255 - pixel[c]));
            black.push_back(uint8_t(255 - pixel[3]));
        }
    }
    const JxlEncoderPtr encoder = JxlEncoderMake(nullptr);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = width;
    info.ysize = height;
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.num_extra_channels = 1;
    info.uses_original_profile = JXL_TRUE;
    JxlExtraChannelInfo blackInfo;
    JxlEncoderInitExtraChannelInfo(JXL_CHANNEL_BLACK, &blackInfo);
    blackInfo.bits_per_sample = 8;
    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder.get(), nullptr);
    const JxlPixelFormat colourFormat{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    const JxlPixelFormat blackFormat{1, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    if (JxlEncoderSetBasicInfo(encoder.get(), &info) != JXL_ENC_SUCCESS ||
        JxlEncoderSetExtraChannelInfo(encoder.get(), 0, &blackInfo) != JXL_ENC_SUCCESS ||
        JxlEncoderSetICCProfile(encoder.get(), reinterpret_cast<const uint8_t*>(cmykProfile.constData()),
                                size_t(cmykProfile.size())) != JXL_ENC_SUCCESS ||
        JxlEncoderSetFrameLossless(settings, JXL_TRUE) != JXL_ENC_SUCCESS ||
        JxlEncoderAddImageFrame(settings, &colourFormat, colour.data(), colour.size()) != JXL_ENC_SUCCESS ||
        JxlEncoderSetExtraChannelBuffer(settings, &blackFormat, black.data(), black.size(), 0) !=
            JXL_ENC_SUCCESS)
        return {};
    JxlEncoderCloseInput(encoder.get());
    QByteArray written(4096, '\0');
    qsizetype used = 0;
    for (;;) {
        auto* next = reinterpret_cast<uint8_t*>(written.data() + used);
        size_t room = size_t(written.size() - used);
        const JxlEncoderStatus status = JxlEncoderProcessOutput(encoder.get(), &next, &room);
        used = written.size() - qsizetype(room);
        if (status == JXL_ENC_SUCCESS)
            return written.left(used);
        if (status != JXL_ENC_NEED_MORE_OUTPUT)
            return {};
        written.resize(written.size() * 2);
    }
}

} // namespace test
