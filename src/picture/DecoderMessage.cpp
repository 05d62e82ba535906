#include "picture/DecoderMessage.h"

#include <QDataStream>
#include <QIODevice>

namespace picture {

namespace {

// Every field, in one order for both directions: a few dozen bytes, and no message whose parts could be
// read in two ways.
template <typename Stream, typename Message> void fields(Stream& stream, Message& m) {
    auto& c = m.described.colour;
    stream& m.bytes& m.size& m.format& m.bytesPerLine& m.index& m.area& m.piece& m.text;
    stream& m.described.cmyk& m.described.orientation& c.fileGamma& c.srgb& c.lab;
    stream& c.chromaticities& c.cicp;
}

struct Writer {
    QDataStream& out;
    template <typename T> Writer& operator&(const T& value) {
        out << value;
        return *this;
    }
    Writer& operator&(const std::optional<Chromaticities>& value) {
        out << value.has_value();
        const Chromaticities c = value.value_or(Chromaticities{});
        out << c.whiteX << c.whiteY << c.redX << c.redY << c.greenX << c.greenY << c.blueX << c.blueY;
        return *this;
    }
    Writer& operator&(const std::optional<Cicp>& value) {
        out << value.has_value() << qint32(value.value_or(Cicp{}).primaries)
            << qint32(value.value_or(Cicp{}).transfer);
        return *this;
    }
};

struct Reader {
    QDataStream& in;
    template <typename T> Reader& operator&(T& value) {
        in >> value;
        return *this;
    }
    Reader& operator&(int& value) {
        qint32 read = 0;
        in >> read;
        value = read;
        return *this;
    }
    Reader& operator&(std::optional<Chromaticities>& value) {
        bool present = false;
        Chromaticities c{};
        in >> present >> c.whiteX >> c.whiteY >> c.redX >> c.redY >> c.greenX >> c.greenY >> c.blueX >>
            c.blueY;
        value = present ? std::optional(c) : std::nullopt;
        return *this;
    }
    Reader& operator&(std::optional<Cicp>& value) {
        bool present = false;
        qint32 primaries = 0;
        qint32 transfer = 0;
        in >> present >> primaries >> transfer;
        value = present ? std::optional(Cicp{primaries, transfer}) : std::nullopt;
        return *this;
    }
};

} // namespace

QByteArray DecoderMessage::encoded() const {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << quint8(kind);
    Writer writer{out};
    fields(writer, *this);
    return bytes;
}

std::optional<DecoderMessage> DecoderMessage::decoded(const QByteArray& bytes) {
    QDataStream in(bytes);
    quint8 kind = 0;
    in >> kind;
    DecoderMessage message;
    message.kind = Kind(kind);
    Reader reader{in};
    fields(reader, message);
    if (in.status() != QDataStream::Ok || !in.atEnd() || kind < quint8(Kind::claim) ||
        kind > quint8(Kind::read))
        return std::nullopt;
    return message;
}

} // namespace picture
