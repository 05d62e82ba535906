#include "picture/formats/ByteCursor.h"

#include <QtEndian>

namespace picture {

const uchar* ByteCursor::take(qint64 count) {
    if (overrun_ || count < 0 || count > size() - position_) {
        overrun_ = true;
        return nullptr;
    }
    const auto* bytes = reinterpret_cast<const uchar*>(bytes_.data()) + position_;
    position_ += count;
    return bytes;
}

quint8 ByteCursor::u8() {
    const uchar* b = take(1);
    return b ? b[0] : 0;
}

quint16 ByteCursor::be16() {
    const uchar* b = take(2);
    return b ? qFromBigEndian<quint16>(b) : 0;
}

quint16 ByteCursor::le16() {
    const uchar* b = take(2);
    return b ? qFromLittleEndian<quint16>(b) : 0;
}

quint32 ByteCursor::be32() {
    const uchar* b = take(4);
    return b ? qFromBigEndian<quint32>(b) : 0;
}

quint32 ByteCursor::le32() {
    const uchar* b = take(4);
    return b ? qFromLittleEndian<quint32>(b) : 0;
}

QByteArrayView ByteCursor::bytes(qint64 count) {
    const uchar* b = take(count);
    return b ? QByteArrayView(b, count) : QByteArrayView();
}

void ByteCursor::seek(qint64 position) {
    if (overrun_ || position < 0 || position > size())
        overrun_ = true;
    else
        position_ = position;
}

} // namespace picture
