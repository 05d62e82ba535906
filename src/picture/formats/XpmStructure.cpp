#include "picture/formats/XpmStructure.h"

#include "picture/formats/TextTokens.h"

namespace picture {

PictureIntegrity XpmStructure::inspect(QByteArrayView bytes) {
    // The first quoted string after the array's opening brace.
    const qsizetype brace = bytes.indexOf('{');
    const qsizetype open = brace < 0 ? -1 : bytes.indexOf('"', brace);
    const qsizetype close = open < 0 ? -1 : bytes.indexOf('"', open + 1);
    if (close < 0)
        return PictureIntegrity::damaged();
    TextTokens tokens(bytes.sliced(open + 1, close - open - 1), '\0');
    const std::optional<qint64> width = tokens.number();
    const std::optional<qint64> height = tokens.number();
    if (!width || !height || *width == 0 || *height == 0)
        return PictureIntegrity::damaged();
    return PictureIntegrity::whole(QSize(int(*width), int(*height)));
}

} // namespace picture
