#pragma once

#include <QByteArrayView>

namespace picture {

// The one reader of numbers from bytes: never steps past the end of its range. A read or skip that
// would run past the end marks the cursor as overrun and yields zero (or no bytes), so a walk over a
// damaged file can check once per block instead of before every field. Positions are 64-bit, so an
// offset taken from a file cannot wrap.
class ByteCursor {
public:
    explicit ByteCursor(QByteArrayView bytes) : bytes_(bytes) {}
    // The cursor only views its bytes: they must outlive it.
    explicit ByteCursor(QByteArray&&) = delete;

    // Inline, as the readers that walk a byte at a time call it for every pixel.
    quint8 u8() {
        const uchar* b = take(1);
        return b ? b[0] : 0;
    }
    quint16 be16();
    quint16 le16();
    quint32 be32();
    quint32 le32();
    qint32 le32Signed() { return qint32(le32()); }
    // In the byte order a file's header chose at run time (TIFF's "II" or "MM"): little-endian unless set.
    quint16 u16() { return bigEndian_ ? be16() : le16(); }
    quint32 u32() { return bigEndian_ ? be32() : le32(); }
    void setBigEndian(bool big) { bigEndian_ = big; }
    bool bigEndian() const { return bigEndian_; }
    // The next count bytes; empty when fewer remain.
    QByteArrayView bytes(qint64 count);
    void skip(qint64 count) { seek(position_ + count); }
    void seek(qint64 position);
    // Seeks, for reading a field at a fixed offset: cursor.at(offset).le32().
    ByteCursor& at(qint64 position) {
        seek(position);
        return *this;
    }

    qint64 position() const { return position_; }
    qint64 size() const { return bytes_.size(); }
    bool overrun() const { return overrun_; }

private:
    // The next count bytes, or null when fewer remain.
    const uchar* take(qint64 count) {
        if (overrun_ || count < 0 || count > size() - position_) {
            overrun_ = true;
            return nullptr;
        }
        const auto* bytes = reinterpret_cast<const uchar*>(bytes_.data()) + position_;
        position_ += count;
        return bytes;
    }

    QByteArrayView bytes_;
    qint64 position_ = 0;
    bool overrun_ = false;
    bool bigEndian_ = false;
};

} // namespace picture
