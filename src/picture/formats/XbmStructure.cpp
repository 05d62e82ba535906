#include "picture/formats/XbmStructure.h"

#include "picture/formats/TextTokens.h"

namespace picture {

namespace {

// The value of the first "#define <name>_<suffix> <number>", or nothing.
std::optional<qint64> definition(QByteArrayView bytes, QByteArrayView suffix) {
    TextTokens tokens(bytes, '\0');
    while (!tokens.atEnd()) {
        if (tokens.next() != QByteArrayView("#define"))
            continue;
        if (tokens.next().endsWith(suffix))
            return tokens.number();
    }
    return std::nullopt;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Counts the 0x.. values between the array's braces; nothing when the closing brace is missing.
std::optional<qint64> arrayValues(QByteArrayView bytes) {
    qsizetype at = bytes.indexOf('{');
    if (at < 0)
        return std::nullopt;
    qint64 count = 0;
    for (++at; at < bytes.size(); ++at) {
        const char c = bytes[at];
        if (c == '}')
            return count;
        if (c == '0' && at + 2 < bytes.size() && (bytes[at + 1] == 'x' || bytes[at + 1] == 'X') &&
            isHexDigit(bytes[at + 2])) {
            ++count;
            at += 2;
            while (at + 1 < bytes.size() && isHexDigit(bytes[at + 1]))
                ++at;
        }
    }
    return std::nullopt;
}

} // namespace

PictureIntegrity XbmStructure::inspect(QByteArrayView bytes) {
    const std::optional<qint64> width = definition(bytes, "_width");
    const std::optional<qint64> height = definition(bytes, "_height");
    if (!width || !height || *width == 0 || *height == 0)
        return PictureIntegrity::damaged();
    const QSize declared{int(*width), int(*height)};
    const std::optional<qint64> values = arrayValues(bytes);
    const qint64 rowBytes = (*width + 7) / 8;
    return values && *values / rowBytes >= *height ? PictureIntegrity::whole(declared)
                                                   : PictureIntegrity::damaged(declared);
}

} // namespace picture
