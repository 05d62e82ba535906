#pragma once

#include "picture/DecodedPicture.h"

#include <QByteArray>
#include <QRect>
#include <QString>

#include <optional>

namespace picture {

// What a decoder helper and its window say to each other, one message at a time. The window gives it the
// picture to read (read, with the file), the helper asks for
// bytes (claim) and waits to be granted them; it hands over each picture's pixels it allocates (pixels,
// with their shared memory), tells which parts of one are final (final), and ends with the picture it
// decoded (done) or its failure (failed). Before final and done it describes the picture when that has
// changed: its ICC profile in pieces (profilePiece), then the rest (description).
struct DecoderMessage {
    enum class Kind : quint8 {
        claim = 1,
        granted,
        pixels,
        profilePiece,
        description,
        final,
        done,
        failed,
        read
    };

    Kind kind = Kind::granted;
    qint64 bytes = 0;         // claim: bytes asked for; description: the profile's length; read: the budget
    QSize size;               // pixels
    qint32 format = 0;        // pixels, final, done: a QImage::Format, at final and done of the pixels' depth
    qint64 bytesPerLine = 0;  // pixels
    qint32 index = 0;         // final, done: which of the pixels handed over, in order from 0; read: cores
    QRect area;               // final: the part made final; read: the part wanted first
    QByteArray piece;         // profilePiece
    DecodedPicture described; // description: everything but the image and the profile
    QString text;             // failed: the report; read: the module

    QByteArray encoded() const;
    // Nothing when the bytes are not one whole message.
    static std::optional<DecoderMessage> decoded(const QByteArray& bytes);
};

} // namespace picture
