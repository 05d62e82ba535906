#include "picture/formats/TiffDirectory.h"

#include <iterator>

namespace picture {

std::optional<qint64> TiffDirectory::first(ByteCursor& in) {
    const QByteArrayView order = in.at(0).bytes(2);
    if (order != "II" && order != "MM")
        return std::nullopt;
    in.setBigEndian(order == "MM");
    if (in.u16() != 42)
        return std::nullopt;
    const qint64 directory = in.u32();
    return in.overrun() ? std::nullopt : std::optional<qint64>(directory);
}

qint64 TiffDirectory::walk(ByteCursor& in, qint64 at, const std::function<bool(const TiffEntry&)>& visit) {
    // The bytes of one value of each type, from BYTE (1) to IFD (13).
    constexpr int typeBytes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    const int entries = in.at(at).u16();
    for (int i = 0; i < entries; ++i) {
        TiffEntry entry;
        entry.at = at + 2 + qint64(i) * 12;
        entry.tag = in.at(entry.at).u16();
        entry.type = in.u16();
        entry.count = in.u32();
        entry.inlineShort = in.u16();
        const qint64 offset = in.at(entry.at + 8).u32();
        if (in.overrun())
            return 0;
        entry.bytes = entry.type > 0 && entry.type < std::size(typeBytes)
                          ? qint64(typeBytes[entry.type]) * entry.count
                          : -1;
        entry.valueAt = entry.bytes > 4 ? offset : entry.at + 8;
        if (!visit(entry))
            return 0;
    }
    return in.at(at + 2 + qint64(entries) * 12).u32();
}

} // namespace picture
