#include "picture/formats/modules/avif/AvifDeclaredSize.h"

#include "picture/formats/ByteCursor.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace picture {

namespace {

constexpr quint32 boxType(const char (&name)[5]) {
    return quint32(uchar(name[0])) << 24 | quint32(uchar(name[1])) << 16 | quint32(uchar(name[2])) << 8 |
           uchar(name[3]);
}

struct Box {
    quint32 type;
    qint64 contents;
    qint64 end;
};

// The box at the cursor, which is left at its contents; none where no whole box header is there.
std::optional<Box> boxAt(ByteCursor& cursor, qint64 end) {
    const qint64 at = cursor.position();
    qint64 size = cursor.be32();
    const quint32 type = cursor.be32();
    if (size == 1) {
        const qint64 high = cursor.be32();
        size = high << 32 | cursor.be32();
    } else if (size == 0) {
        size = end - at;
    }
    if (cursor.overrun() || size < cursor.position() - at || size > end - at)
        return std::nullopt;
    return Box{type, cursor.position(), at + size};
}

// Visits the boxes from `from` to `end` in order; a visit may move the cursor anywhere.
template <typename Visit> void eachBox(ByteCursor& cursor, qint64 from, qint64 end, Visit visit) {
    for (qint64 at = from; at < end;) {
        cursor.seek(at);
        const std::optional<Box> box = boxAt(cursor, end);
        if (!box)
            return;
        visit(*box);
        at = box->end;
    }
}

// A full box's version, its flags skipped.
int version(ByteCursor& cursor) {
    const int version = cursor.u8();
    cursor.skip(3);
    return version;
}

struct Association {
    quint32 item;
    int property; // from 1, in ipco's order
};

void readAssociations(ByteCursor& cursor, std::vector<Association>& associations) {
    const int boxVersion = cursor.u8();
    cursor.skip(2);
    const bool wideIndices = cursor.u8() & 1; // the flags' lowest bit
    for (quint32 entries = cursor.be32(); entries > 0 && !cursor.overrun(); --entries) {
        const quint32 item = boxVersion < 1 ? cursor.be16() : cursor.be32();
        for (int count = cursor.u8(); count > 0 && !cursor.overrun(); --count)
            associations.push_back({item, wideIndices ? cursor.be16() & 0x7FFF : cursor.u8() & 0x7F});
    }
}

} // namespace

QSize avifDeclaredSize(QByteArrayView file) {
    ByteCursor cursor(file);
    std::optional<quint32> primary;
    std::vector<QSize> properties;
    std::vector<Association> associations;
    eachBox(cursor, 0, cursor.size(), [&](const Box& top) {
        if (top.type != boxType("meta"))
            return;
        eachBox(cursor, top.contents + 4, top.end, [&](const Box& box) {
            if (box.type == boxType("pitm"))
                primary = version(cursor) == 0 ? cursor.be16() : cursor.be32();
            if (box.type != boxType("iprp"))
                return;
            eachBox(cursor, box.contents, box.end, [&](const Box& part) {
                if (part.type == boxType("ipma"))
                    readAssociations(cursor, associations);
                if (part.type != boxType("ipco"))
                    return;
                eachBox(cursor, part.contents, part.end, [&](const Box& property) {
                    QSize size;
                    if (property.type == boxType("ispe")) {
                        version(cursor);
                        const quint32 width = cursor.be32(), height = cursor.be32();
                        size = QSize(int(std::min(width, 1u << 30)), int(std::min(height, 1u << 30)));
                    }
                    properties.push_back(size);
                });
            });
        });
    });
    for (const Association& association : associations)
        if (primary == association.item && association.property >= 1 &&
            size_t(association.property) <= properties.size() &&
            !properties[size_t(association.property - 1)].isEmpty())
            return properties[size_t(association.property - 1)];
    return {};
}

} // namespace picture
