#pragma once

#include "picture/formats/TiffDirectory.h"

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

// The entry of a tag in a TIFF's first directory, to patch in place; null where it has none.
inline char* tiffEntry(QByteArray& tiff, quint16 tag) {
    picture::ByteCursor in(tiff);
    qint64 found = -1;
    picture::TiffDirectory::walk(in, picture::TiffDirectory::first(in).value_or(0), [&](const auto& entry) {
        found = entry.tag == tag ? entry.at : -1;
        return found < 0;
    });
    return found < 0 ? nullptr : tiff.data() + found;
}

// The TIFF with the tag of its directory's last entry, PrimaryChromaticities, made another.
inline QByteArray tiffWithLastTagAs(QByteArray tiff, quint16 tag) {
    qToLittleEndian(tag, tiffEntry(tiff, 319));
    return tiff;
}
