#include "picture/formats/BmpRunLength.h"

#include "picture/PictureFailures.h"
#include "picture/formats/ByteCursor.h"

namespace picture {

namespace {

constexpr qint64 blockBytes = 64 * 1024;
// Two bytes of code and a literal run of up to 255 indices, padded to whole 16-bit words.
constexpr qint64 longestInstruction = 2 + 256;

// Places pixels, bottom row first, and refuses any that would fall outside the picture.
class Canvas {
public:
    Canvas(const BmpHeader& header, QImage& image)
        : image_(image), palette_(header.palette), width_(header.width), height_(header.height) {}

    void run(int count, const uchar* indices, int perByte, bool repeat) {
        if (y_ >= height_ || count > width_ - x_)
            invalidPicture();
        QRgb* out = reinterpret_cast<QRgb*>(image_.scanLine(height_ - 1 - y_)) + x_;
        for (int i = 0; i < count; ++i) {
            const int at = repeat ? i % perByte : i;
            const uchar byte = indices[repeat ? 0 : at / perByte];
            const int index = perByte == 1 ? byte : (at % 2 == 0 ? byte >> 4 : byte & 0x0f);
            if (index >= palette_.size())
                invalidPicture();
            out[i] = palette_[index];
        }
        x_ += count;
    }
    void endOfLine() {
        if (y_ >= height_)
            invalidPicture();
        x_ = 0;
        ++y_;
    }
    void move(int dx, int dy) {
        x_ += dx;
        y_ += dy;
        if (x_ > width_ || y_ > height_ || (y_ == height_ && x_ > 0))
            invalidPicture();
    }

private:
    QImage& image_;
    const QList<QRgb>& palette_;
    int width_;
    int height_;
    int x_ = 0;
    int y_ = 0;
};

} // namespace

void BmpRunLength::decode(QIODevice& file, const BmpHeader& header, QImage& image) {
    if (!file.seek(header.pixelOffset))
        invalidPicture();
    const int perByte = header.coding == BmpHeader::Coding::runs8 ? 1 : 2;
    Canvas canvas(header, image);
    // The codes are read in blocks, each topped up before an instruction could run past its end.
    QByteArray block;
    qint64 used = 0;
    for (;;) {
        if (block.size() - used < longestInstruction && !file.atEnd()) {
            block = block.mid(used) + file.read(blockBytes);
            used = 0;
        }
        ByteCursor in(QByteArrayView(block).sliced(used));
        const int count = in.u8();
        const int code = in.u8();
        if (in.overrun()) {
            invalidPicture();
        } else if (count > 0) {
            const uchar value = uchar(code);
            canvas.run(count, &value, perByte, true);
        } else if (code == 0) {
            canvas.endOfLine();
        } else if (code == 1) {
            return;
        } else if (code == 2) {
            const int dx = in.u8();
            const int dy = in.u8();
            if (in.overrun())
                invalidPicture();
            canvas.move(dx, dy);
        } else {
            // A literal run: code pixels, padded to a whole number of 16-bit words.
            const int length = (code + perByte - 1) / perByte;
            const QByteArrayView literal = in.bytes(length + length % 2);
            if (in.overrun())
                invalidPicture();
            canvas.run(code, reinterpret_cast<const uchar*>(literal.data()), perByte, false);
        }
        used += in.position();
    }
}

} // namespace picture
