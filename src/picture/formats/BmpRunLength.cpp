#include "picture/formats/BmpRunLength.h"

#include "picture/PictureFailures.h"

namespace picture {

namespace {

// The file's bytes one at a time, read in blocks; running out is a damaged file.
class ByteStream {
public:
    explicit ByteStream(QIODevice& file) : file_(file) {}

    uchar next() {
        if (position_ == buffer_.size()) {
            buffer_ = file_.read(64 * 1024);
            position_ = 0;
            if (buffer_.isEmpty())
                invalidPicture();
        }
        return uchar(buffer_[position_++]);
    }

private:
    QIODevice& file_;
    QByteArray buffer_;
    qsizetype position_ = 0;
};

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
    ByteStream bytes(file);
    Canvas canvas(header, image);
    uchar literal[256];
    for (;;) {
        const int count = bytes.next();
        const int code = bytes.next();
        if (count > 0) {
            const uchar value = uchar(code);
            canvas.run(count, &value, perByte, true);
        } else if (code == 0) {
            canvas.endOfLine();
        } else if (code == 1) {
            return;
        } else if (code == 2) {
            const int dx = bytes.next();
            canvas.move(dx, bytes.next());
        } else {
            // A literal run: code pixels, padded to a whole number of 16-bit words.
            const int length = (code + perByte - 1) / perByte;
            for (int i = 0; i < length + length % 2; ++i)
                literal[i] = bytes.next();
            canvas.run(code, literal, perByte, false);
        }
    }
}

} // namespace picture
