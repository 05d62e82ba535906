#include "picture/FormatSignatures.h"

#include "picture/ModuleNames.h"
#include "picture/formats/BmpReader.h"
#include "picture/formats/ByteCursor.h"
#include "picture/formats/PngReader.h"
#include "picture/formats/ToolkitReader.h"

#include <algorithm>
#include <initializer_list>
#include <optional>

namespace picture {

namespace {

constexpr qsizetype sniffBytes = 4096;

Format module(const char* name) {
    return {QString::fromLatin1(name), nullptr};
}

bool startsWithAny(QByteArrayView bytes, std::initializer_list<QByteArrayView> signatures) {
    for (const QByteArrayView signature : signatures)
        if (bytes.startsWith(signature))
            return true;
    return false;
}

// Puts the file back where it was when the recognition ends.
class Rewind {
public:
    explicit Rewind(QIODevice& file) : file_(file), at_(file.pos()) {}
    ~Rewind() { file_.seek(at_); }

private:
    QIODevice& file_;
    qint64 at_;
};

QByteArray bytesAt(QIODevice& file, qint64 at, qint64 count) {
    if (at < 0 || !file.seek(at))
        return {};
    return file.read(count);
}

// ISO base media files (HEIF, AVIF, CR3) say what they hold in the brands of their first box.
std::optional<Format> isoMediaFormat(QByteArrayView start) {
    if (start.size() < 16 || start.sliced(4, 4) != "ftyp")
        return std::nullopt;
    ByteCursor box(start.first(qMin(qsizetype(ByteCursor(start).be32()), start.size())));
    box.seek(8);
    QList<QByteArrayView> brands{box.bytes(4)};
    box.skip(4); // the minor version
    for (QByteArrayView brand = box.bytes(4); !brand.isEmpty(); brand = box.bytes(4))
        brands << brand;
    const auto anyOf = [&brands](std::initializer_list<QByteArrayView> names) {
        for (const QByteArrayView brand : brands)
            for (const QByteArrayView name : names)
                if (brand == name)
                    return true;
        return false;
    };
    if (anyOf({"avif", "avis"}))
        return module(moduleName::avif);
    if (anyOf({"crx "}))
        return module(moduleName::raw);
    if (anyOf({"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"}))
        return module(moduleName::heif);
    return std::nullopt;
}

bool isCameraTiff(QIODevice& file, QByteArrayView start) {
    if (start.sliced(8).startsWith("CR\x02"))
        return true;
    const bool little = start[0] == 'I';
    ByteCursor header(start);
    const auto u16 = [little](ByteCursor& in) { return little ? in.le16() : in.be16(); };
    const auto u32 = [little](ByteCursor& in) { return little ? in.le32() : in.be32(); };
    const qint64 directory = u32(header.at(4));
    const QByteArray count = bytesAt(file, directory, 2);
    ByteCursor counted(count);
    const QByteArray entries = bytesAt(file, directory + 2, qint64(u16(counted)) * 12);
    if (counted.overrun())
        return false;
    ByteCursor in(entries);
    bool make = false;
    bool subDirectories = false;
    for (qint64 at = 0; at + 12 <= in.size(); at += 12) {
        const quint16 tag = u16(in.at(at));
        const quint16 photometric = u16(in.at(at + 8));
        if (tag == 50706 || (tag == 262 && (photometric == 32803 || photometric == 34892)))
            return true; // DNGVersion, or a colour filter array or linear raw
        make = make || tag == 271;
        subDirectories = subDirectories || tag == 330;
    }
    return make && subDirectories;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// An SVG's root element, after what XML allows before it: a byte order mark, white space, the XML
// declaration and other processing instructions, comments and a document type.
bool isSvg(QByteArrayView text) {
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    for (;;) {
        while (!text.isEmpty() && isSpace(text.front()))
            text = text.sliced(1);
        QByteArrayView end;
        if (text.startsWith("<?"))
            end = "?>";
        else if (text.startsWith("<!--"))
            end = "-->";
        else if (text.startsWith("<!DOCTYPE")) {
            const qsizetype subset = text.indexOf('[');
            const qsizetype close = text.indexOf('>');
            if (subset >= 0 && subset < close)
                text = text.sliced(subset);
            end = subset >= 0 && subset < close ? "]>" : ">";
        } else {
            return text.size() > 4 && text.startsWith("<svg") &&
                   (isSpace(text[4]) || text[4] == '>' || text[4] == '/');
        }
        const qsizetype at = text.indexOf(end);
        if (at < 0)
            return false;
        text = text.sliced(at + end.size());
    }
}

bool isTga(QIODevice& file, QByteArrayView start) {
    constexpr QByteArrayView footer("TRUEVISION-XFILE.\0", 18);
    if (bytesAt(file, file.size() - footer.size(), footer.size()) == footer)
        return true;
    if (start.size() < 18)
        return false;
    ByteCursor header(start);
    const auto byte = [&header](qint64 at) { return header.at(at).u8(); };
    const auto u16 = [&header](qint64 at) { return header.at(at).le16(); };
    const int mapType = byte(1);
    const int type = byte(2);
    const int mapEntryBits = byte(7);
    const int depth = byte(16);
    const int descriptor = byte(17);
    const bool mapped = type == 1 || type == 9;
    const bool trueColour = type == 2 || type == 10;
    const bool grey = type == 3 || type == 11;
    const auto oneOf = [](int value, std::initializer_list<int> allowed) {
        return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
    };
    const bool mapSound = mapped ? mapType == 1 && u16(5) > 0 && oneOf(mapEntryBits, {15, 16, 24, 32})
                                 : mapType == 0 && u16(3) == 0 && u16(5) == 0 && mapEntryBits == 0;
    const bool depthSound = mapped       ? oneOf(depth, {8, 16})
                            : trueColour ? oneOf(depth, {15, 16, 24, 32})
                                         : grey && oneOf(depth, {8, 16});
    // The bits of alpha each pixel can hold: in its colour map's entries, or beside its grey.
    const int alphaRoom = mapped                                 ? (mapEntryBits == 32   ? 8
                                                                    : mapEntryBits == 16 ? 1
                                                                                         : 0)
                          : depth == 32 || (grey && depth == 16) ? 8
                          : depth == 16                          ? 1
                                                                 : 0;
    return mapSound && depthSound && u16(12) > 0 && u16(14) > 0 && (descriptor & 0xC0) == 0 &&
           (descriptor & 0x0F) <= alphaRoom;
}

} // namespace

Format FormatSignatures::recognise(QIODevice& file) {
    const Rewind rewind(file);
    const QByteArray bytes = file.peek(sniffBytes);
    const QByteArrayView start(bytes);
    if (start.startsWith("\xFF\xD8"))
        return module(moduleName::jpeg);
    if (start.startsWith("\x89PNG\r\n\x1A\n"))
        return {QStringLiteral("png"), &PngReader::decode};
    if (startsWithAny(start, {"GIF87a", "GIF89a"}))
        return module(moduleName::gif);
    if (start.startsWith("BM"))
        return {QStringLiteral("bmp"), &BmpReader::decode};
    if (start.size() >= 12 && start.startsWith("RIFF") && start.sliced(8, 4) == "WEBP")
        return module(moduleName::webp);
    if (start.size() >= 16 && startsWithAny(start, {QByteArrayView("II*\0", 4), QByteArrayView("MM\0*", 4)}))
        return module(isCameraTiff(file, start) ? moduleName::raw : moduleName::tiff);
    if (startsWithAny(start, {QByteArrayView("II+\0", 4), QByteArrayView("MM\0+", 4)}))
        return module(moduleName::tiff); // BigTIFF
    if (startsWithAny(start, {"IIRO", "IIRS", "MMOR", QByteArrayView("IIU\0", 4), "FUJIFILMCCD-RAW"}))
        return module(moduleName::raw);
    if (const std::optional<Format> format = isoMediaFormat(start))
        return *format;
    if (startsWithAny(start, {"\xFF\x0A", QByteArrayView("\0\0\0\x0CJXL \r\n\x87\n", 12)}))
        return module(moduleName::jxl);
    if (startsWithAny(start, {"\xFF\x4F\xFF\x51", QByteArrayView("\0\0\0\x0CjP  \r\n\x87\n", 12)}))
        return module(moduleName::jp2);
    if (start.startsWith("\x76\x2F\x31\x01"))
        return module(moduleName::exr);
    if (start.startsWith("8BPS"))
        return module(moduleName::psd);
    if (start.startsWith("qoif"))
        return module(moduleName::qoi);
    if (isSvg(start))
        return module(moduleName::svg);
    if (isTga(file, start))
        return module(moduleName::tga);
    return {QStringLiteral("toolkit"), &ToolkitReader::decode};
}

} // namespace picture
