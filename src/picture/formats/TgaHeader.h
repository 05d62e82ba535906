#pragma once

#include <QByteArrayView>
#include <QIODevice>
#include <QSize>

#include <optional>

namespace picture {

// What a TGA says before its pixels, judged once for the recogniser and the reader alike. TGA has no
// signature: a file is one by its 2.0 footer, or by a header that holds together.
struct TgaHeader {
    enum class Kind { Mapped, TrueColour, Grey };

    static constexpr qint64 bytes = 18;

    Kind kind = Kind::TrueColour;
    bool runLength = false;
    QSize size;
    int idLength = 0;
    int mapType = 0; // 1 when the file holds a colour map
    int mapFirst = 0;
    int mapLength = 0;
    int mapBits = 0;
    int depth = 0;
    int alphaBits = 0;
    bool rightToLeft = false;
    bool topToBottom = false;

    // The header at the start of bytes; never fails, as the recogniser asks of any file.
    static TgaHeader read(QByteArrayView bytes);
    // Where the 2.0 footer puts the extension area (0 where the file has none); nothing without a footer.
    static std::optional<qint64> extensionArea(QIODevice& file);

    // For the reader: throws "Unsupported picture format" for pictures stored in ways it does not read,
    // "Invalid picture" for a header that cannot describe one.
    void refuseUnreadable() const;
    // For the recogniser, which has only the header to go by: readable, and every field the pixels do not
    // use left at zero, and no more alpha bits than a pixel holds. A true-colour picture that carries a
    // colour map is a TGA but is not claimed by its header alone.
    bool claimsFile() const;
    // The bytes from the header to the pixels: the picture's identification, then the colour map.
    qint64 bytesBeforePixels() const;

private:
    enum class Fault { none, unsupported, invalid };
    Fault fault() const;

    int type_ = 0;
    int descriptor_ = 0;
    bool cut_ = true;
};

} // namespace picture
