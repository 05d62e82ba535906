#pragma once

#include "DecoderFilter.h"
#include "desktop/Failure.h"
#include "picture/DecodedPicture.h"
#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <new>

// Any bytes through one decoder, from memory, within a budget of 256 MB: the decoder gives a picture of
// the size it claimed for, or fails with a Failure. A module format's reader decodes under the decoder's
// system-call filter, which any of them may meet in the decoder.
template <typename Reader> void fuzzReader(const uint8_t* data, size_t size) {
#ifdef KESTRELLE_FUZZ_AS_DECODER
    filterAsTheDecoder();
#endif
    static picture::LoadBudget budget(256 * 1024 * 1024);
    QBuffer file;
    file.setData(reinterpret_cast<const char*>(data), qsizetype(size));
    file.open(QIODevice::ReadOnly);
    try {
        picture::LoadBudget::Claim claim = budget.claim();
        picture::Progress unwatched;
        const picture::DecodedPicture decoded = Reader::decode(file, claim, unwatched);
        const QImage::Format format = decoded.image.format();
        if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
             format != QImage::Format_RGBX64 && format != QImage::Format_RGBA64) ||
            decoded.image.sizeInBytes() > claim.bytes())
            __builtin_trap();
    } catch (const desktop::Failure&) {
    } catch (const std::bad_alloc&) {
    }
}
