#include "picture/FormatSignatures.h"

#include "picture/ModuleNames.h"
#include "picture/formats/BmpReader.h"
#include "picture/formats/ByteCursor.h"
#include "picture/formats/PngReader.h"
#include "picture/formats/TgaHeader.h"
#include "picture/formats/TiffDirectory.h"
#include "picture/formats/ToolkitReader.h"

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
    ByteCursor header(start);
    const qint64 at = TiffDirectory::first(header).value_or(0);
    // The first directory is read where the header puts it, which may be past the first 4 KB.
    const QByteArray count = bytesAt(file, at, 2);
    ByteCursor counted(count);
    counted.setBigEndian(header.bigEndian());
    const QByteArray directory = count + bytesAt(file, at + 2, qint64(counted.u16()) * 12);
    ByteCursor in(directory);
    in.setBigEndian(header.bigEndian());
    bool raw = false;
    bool make = false;
    bool subDirectories = false;
    TiffDirectory::walk(in, 0, [&](const TiffEntry& entry) {
        // DNGVersion, or a colour filter array or linear raw
        raw = entry.tag == 50706 ||
              (entry.tag == 262 && (entry.inlineShort == 32803 || entry.inlineShort == 34892));
        make = make || entry.tag == 271;
        subDirectories = subDirectories || entry.tag == 330;
        return !raw;
    });
    return raw || (make && subDirectories);
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
    return TgaHeader::extensionArea(file) || TgaHeader::read(start).claimsFile();
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
