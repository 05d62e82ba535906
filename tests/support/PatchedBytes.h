#pragma once

#include <QByteArray>
#include <QtEndian>

// The values one after another, little-endian, as TIFF and TGA store theirs.
template <typename T> QByteArray littleEndian(std::initializer_list<T> values) {
    QByteArray bytes;
    for (const T value : values) {
        bytes.resize(bytes.size() + qsizetype(sizeof(T)));
        qToLittleEndian(value, bytes.data() + bytes.size() - sizeof(T));
    }
    return bytes;
}

// The bytes with a little-endian value written over them at an offset, as BMP, GIF and icons store theirs.
template <typename T> QByteArray patched(QByteArray bytes, qsizetype at, T value) {
    qToLittleEndian(value, bytes.data() + at);
    return bytes;
}

// The bytes with a big-endian 16-bit value written over them at an offset, as JPEG stores its.
inline QByteArray patchedBigEndian(QByteArray bytes, qsizetype at, quint16 value) {
    qToBigEndian(value, bytes.data() + at);
    return bytes;
}

// The bytes with a big-endian 32-bit value written over them at an offset, as JPEG 2000 stores its.
inline QByteArray patchedBigEndian32(QByteArray bytes, qsizetype at, quint32 value) {
    qToBigEndian(value, bytes.data() + at);
    return bytes;
}

// The entry of a tag in a little-endian TIFF's first directory, to patch in place; null where it has none.
inline char* tiffEntry(QByteArray& tiff, quint16 tag) {
    const qsizetype directory = qFromLittleEndian<quint32>(tiff.constData() + 4);
    const int count = qFromLittleEndian<quint16>(tiff.constData() + directory);
    for (qsizetype entry = directory + 2; entry < directory + 2 + count * 12; entry += 12)
        if (qFromLittleEndian<quint16>(tiff.constData() + entry) == tag)
            return tiff.data() + entry;
    return nullptr;
}
