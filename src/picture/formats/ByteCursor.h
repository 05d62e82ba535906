#pragma once

#include <QByteArrayView>

namespace picture {

// Reads numbers from a byte range without ever stepping past its end. A read or skip that would run
// past the end marks the cursor as overrun and yields zero, so a walk over a damaged file can check
// once per block instead of before every field.
class ByteCursor {
public:
    explicit ByteCursor(QByteArrayView bytes) : bytes_(bytes) {}

    quint8 u8();
    quint16 be16();
    quint16 le16();
    quint32 be32();
    quint32 le32();
    void skip(qint64 count) { seek(position_ + count); }
    void seek(qint64 position);

    qint64 position() const { return position_; }
    qint64 size() const { return bytes_.size(); }
    bool overrun() const { return overrun_; }

private:
    // The next count bytes, or null when fewer remain.
    const uchar* take(qint64 count);

    QByteArrayView bytes_;
    qint64 position_ = 0;
    bool overrun_ = false;
};

} // namespace picture
