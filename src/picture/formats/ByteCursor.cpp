#include "picture/formats/ByteCursor.h"

#include <QtEndian>

namespace picture {

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
