#include "picture/formats/modules/svg/SvgDocument.h"

#include "picture/PictureFailures.h"

#include <QRectF>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <optional>

namespace picture {

namespace {

constexpr double defaultWidth = 300;
constexpr double defaultHeight = 150;
constexpr double largestSide = 1e9;

// A length in pixels at 96 dots an inch; nothing for percentages, units of the font, or what is not a
// length.
std::optional<double> absoluteLength(QStringView text) {
    static const QRegularExpression length(
        QStringLiteral(R"(^\s*([+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?)\s*(px|pt|pc|mm|cm|in)?\s*$)"));
    const QRegularExpressionMatch match = length.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QStringView unit = match.capturedView(2);
    const double perUnit = unit == u"pt"   ? 96.0 / 72
                           : unit == u"pc" ? 16.0
                           : unit == u"mm" ? 96 / 25.4
                           : unit == u"cm" ? 96 / 2.54
                           : unit == u"in" ? 96.0
                                           : 1.0;
    const double pixels = match.capturedView(1).toDouble() * perUnit;
    return pixels > 0 ? std::optional(pixels) : std::nullopt;
}

// A viewBox of four numbers, when its width and height are positive.
std::optional<QRectF> readViewBox(QStringView text) {
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    const QList<QStringView> numbers = text.trimmed().split(separators, Qt::SkipEmptyParts);
    if (numbers.size() != 4)
        return std::nullopt;
    bool read[4] = {};
    const QRectF box(numbers[0].toDouble(&read[0]), numbers[1].toDouble(&read[1]),
                     numbers[2].toDouble(&read[2]), numbers[3].toDouble(&read[3]));
    const bool whole = read[0] && read[1] && read[2] && read[3];
    return whole && box.width() > 0 && box.height() > 0 ? std::optional(box) : std::nullopt;
}

// The root's size as a picture shows it: a length it lacks follows the viewBox's proportions.
QSize intrinsicSize(const QXmlStreamAttributes& root, const std::optional<QRectF>& box) {
    std::optional<double> width = absoluteLength(root.value(QStringLiteral("width")));
    std::optional<double> height = absoluteLength(root.value(QStringLiteral("height")));
    if (box) {
        if (!width && !height) {
            width = box->width();
            height = box->height();
        } else if (!width) {
            width = *height * box->width() / box->height();
        } else if (!height) {
            height = *width * box->height() / box->width();
        }
    }
    const auto pixels = [](double length) { return int(std::clamp(std::round(length), 1.0, largestSide)); };
    return {pixels(width.value_or(defaultWidth)), pixels(height.value_or(defaultHeight))};
}

bool linksWithin(const QXmlStreamAttribute& attribute) {
    if (attribute.name() != u"href")
        return true;
    const QStringView target = attribute.value().trimmed();
    return target.startsWith(u'#') || target.startsWith(u"data:", Qt::CaseInsensitive);
}

} // namespace

SvgDocument::SvgDocument(const QByteArray& text) {
    QXmlStreamReader reader(text);
    QXmlStreamWriter writer(&standalone_);
    bool rootSeen = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::Invalid:
            invalidPicture();
        case QXmlStreamReader::StartElement: {
            if (!rootSeen) {
                if (reader.name() != u"svg")
                    invalidPicture();
                size_ = intrinsicSize(reader.attributes(),
                                      readViewBox(reader.attributes().value(QStringLiteral("viewBox"))));
                rootSeen = true;
            }
            writer.writeStartElement(reader.qualifiedName().toString());
            for (const QXmlStreamNamespaceDeclaration& space : reader.namespaceDeclarations())
                writer.writeAttribute(space.prefix().isEmpty()
                                          ? QStringLiteral("xmlns")
                                          : QStringLiteral("xmlns:") + space.prefix().toString(),
                                      space.namespaceUri().toString());
            for (const QXmlStreamAttribute& attribute : reader.attributes())
                if (linksWithin(attribute))
                    writer.writeAttribute(attribute.qualifiedName().toString(), attribute.value().toString());
            break;
        }
        // The document type's entities are already expanded in the text, and those outside are not read.
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            break;
        default:
            writer.writeCurrentToken(reader);
        }
    }
    if (!rootSeen)
        invalidPicture();
}

} // namespace picture
