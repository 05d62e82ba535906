#include "picture/formats/modules/gif/GifReader.h"

#include "desktop/Owned.h"
#include "picture/PictureFailures.h"
#include "picture/formats/ByteCursor.h"
#include "picture/formats/FormatModule.h"

#include <QRgb>

#include <vector>

#include <gif_lib.h>

namespace picture {

namespace {

constexpr QRgb clear = 0x00000000;
constexpr QRgb black = 0xFF000000;
constexpr int noTransparency = -1;

void close(GifFileType* gif) {
    DGifCloseFile(gif, nullptr);
}
using Gif = desktop::Owned<GifFileType, close>;

void check(int result) {
    if (result == GIF_ERROR)
        invalidPicture();
}

int readData(GifFileType* gif, GifByteType* data, int length) {
    return int(static_cast<QIODevice*>(gif->UserData)->read(reinterpret_cast<char*>(data), length));
}

// The transparent index of a graphic control extension, which applies to the image after it.
int transparentIndex(GifFileType* gif, int code, GifByteType* block) {
    int transparent = noTransparency;
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4 && (block[1] & 0x01))
        transparent = block[4];
    while (block)
        check(DGifGetExtensionNext(gif, &block));
    return transparent;
}

void skipImageData(GifFileType* gif) {
    int codeSize = 0;
    GifByteType* block = nullptr;
    check(DGifGetCode(gif, &codeSize, &block));
    while (block)
        check(DGifGetCodeNext(gif, &block));
}

// Rows in the order an interlaced frame stores them: every eighth from 0, every eighth from 4, every
// fourth from 2, every second from 1.
std::vector<int> storedRowOrder(int height, bool interlaced) {
    std::vector<int> order;
    order.reserve(size_t(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            order.push_back(y);
        return order;
    }
    for (const auto& [start, step] : {std::pair{0, 8}, std::pair{4, 8}, std::pair{2, 4}, std::pair{1, 2}})
        for (int y = start; y < height; y += step)
            order.push_back(y);
    return order;
}

void drawFrame(GifFileType* gif, int transparent, QImage& image) {
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map || frame.Width <= 0 || frame.Height <= 0)
        invalidPicture();
    // Indexes past the table show black, as the table's unused end would.
    QRgb colours[256];
    for (int i = 0; i < 256; ++i) {
        const GifColorType* c = i < map->ColorCount ? &map->Colors[i] : nullptr;
        colours[i] = i == transparent ? clear : c ? qRgb(c->Red, c->Green, c->Blue) : black;
    }
    std::vector<GifPixelType> row(size_t(frame.Width));
    for (const int y : storedRowOrder(frame.Height, frame.Interlace)) {
        check(DGifGetLine(gif, row.data(), frame.Width));
        const int top = frame.Top + y;
        if (top >= image.height())
            continue;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(top));
        for (int x = 0, left = frame.Left; x < frame.Width && left < image.width(); ++x, ++left)
            out[left] = colours[row[size_t(x)]];
    }
}

} // namespace

DecodedPicture GifReader::decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
    // The logical screen's size is judged before giflib reads on, even when the file breaks off after it.
    const QByteArray head = file.peek(10);
    ByteCursor in(head);
    in.seek(6);
    const int width = in.le16();
    const QSize declared(width, in.le16());
    if (!in.overrun() && !declared.isEmpty())
        claim.budget().refuseIfTooLarge(declared, claim.bytes());
    int error = 0;
    const Gif gif(DGifOpen(&file, readData, &error));
    if (!gif)
        invalidPicture();
    const QSize screen(gif->SWidth, gif->SHeight);

    DecodedPicture decoded;
    int transparent = noTransparency;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        check(DGifGetRecordType(gif.get(), &record));
        if (record == TERMINATE_RECORD_TYPE)
            break;
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            check(DGifGetExtension(gif.get(), &code, &block));
            const int index = transparentIndex(gif.get(), code, block);
            if (code == GRAPHICS_EXT_FUNC_CODE)
                transparent = index;
        } else if (record == IMAGE_DESC_RECORD_TYPE) {
            check(DGifGetImageDesc(gif.get()));
            if (!decoded.image.isNull()) {
                skipImageData(gif.get());
                continue;
            }
            const GifImageDesc& frame = gif->Image;
            const QSize size(screen.width() ? screen.width() : frame.Left + frame.Width,
                             screen.height() ? screen.height() : frame.Top + frame.Height);
            if (size.isEmpty())
                invalidPicture();
            claim.budget().refuseIfTooLarge(size, claim.bytes());
            // The logical screen outside the frame shows through, as its transparent pixels do.
            decoded.image = claim.rgb32(size.width(), size.height());
            decoded.image.reinterpretAsFormat(QImage::Format_ARGB32);
            decoded.image.fill(clear);
            drawFrame(gif.get(), transparent, decoded.image);
        } else {
            invalidPicture();
        }
    }
    if (decoded.image.isNull())
        invalidPicture();
    return decoded;
}

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::GifReader)
