#include "ui/skin/StyleSheetCheck.h"

#include <QRegularExpression>

#include <algorithm>

namespace ui {

namespace {

constexpr qsizetype maxChars = 1024 * 1024;

bool isControl(QChar c) {
    return c.category() == QChar::Other_Control && c != u'\t' && c != u'\n' && c != u'\r' && c != u'\f';
}

// Index just past the string that opens at `start`, or -1 when it does not close on its line.
qsizetype stringEnd(const QString& text, qsizetype start) {
    const QChar quote = text[start];
    for (qsizetype i = start + 1; i < text.size(); ++i) {
        if (text[i] == u'\\')
            ++i;
        else if (text[i] == quote)
            return i + 1;
        else if (text[i] == u'\n')
            return -1;
    }
    return -1;
}

// Splits at each separator outside strings, parentheses and brackets; nothing when those do not pair up.
std::optional<QStringList> splitOutside(const QString& text, QChar separator) {
    QStringList parts;
    QString openers;
    qsizetype partStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"' || c == u'\'') {
            const qsizetype end = stringEnd(text, i);
            if (end < 0)
                return std::nullopt;
            i = end - 1;
        } else if (c == u'(' || c == u'[') {
            openers.append(c);
        } else if (c == u')' || c == u']') {
            if (openers.isEmpty() || openers.back() != (c == u')' ? u'(' : u'['))
                return std::nullopt;
            openers.chop(1);
        } else if (c == separator && openers.isEmpty()) {
            parts.append(text.mid(partStart, i - partStart).trimmed());
            partStart = i + 1;
        }
    }
    if (!openers.isEmpty())
        return std::nullopt;
    parts.append(text.mid(partStart).trimmed());
    return parts;
}

bool isSelector(const QString& selector) {
    static const QRegularExpression allowed(QStringLiteral(R"(^[A-Za-z0-9_\-#.:*>+~!\s]*$)"));
    if (selector.isEmpty())
        return false;
    // Attribute tests may quote anything; the rest must be names, pseudo-states and combinators.
    QString outsideBrackets;
    int depth = 0;
    for (qsizetype i = 0; i < selector.size(); ++i) {
        const QChar c = selector[i];
        if (c == u'[') {
            ++depth;
        } else if (c == u']') {
            --depth;
        } else if (depth == 0) {
            outsideBrackets.append(c);
        } else if (c == u'"' || c == u'\'') {
            const qsizetype end = stringEnd(selector, i);
            if (end < 0)
                return false;
            i = end - 1;
        }
    }
    return allowed.match(outsideBrackets).hasMatch();
}

bool isDeclarationList(const QString& body) {
    static const QRegularExpression property(QStringLiteral("^-?[A-Za-z_][A-Za-z0-9_-]*$"));
    const std::optional<QStringList> declarations = splitOutside(body, u';');
    if (!declarations)
        return false;
    for (const QString& declaration : *declarations) {
        if (declaration.isEmpty())
            continue;
        const qsizetype colon = declaration.indexOf(u':');
        if (colon < 0 || !property.match(declaration.left(colon).trimmed()).hasMatch() ||
            declaration.mid(colon + 1).trimmed().isEmpty())
            return false;
    }
    return true;
}

} // namespace

std::optional<QList<StyleRule>> parseStyleSheet(const QString& text) {
    if (text.size() > maxChars || std::any_of(text.cbegin(), text.cend(), isControl))
        return std::nullopt;
    QList<StyleRule> rules;
    QString pending;
    std::optional<QStringList> selectors;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (text.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype close = text.indexOf(QLatin1String("*/"), i + 2);
            if (close < 0)
                return std::nullopt;
            pending.append(u' ');
            i = close + 1;
        } else if (c == u'"' || c == u'\'') {
            const qsizetype end = stringEnd(text, i);
            if (end < 0)
                return std::nullopt;
            pending.append(text.mid(i, end - i));
            i = end - 1;
        } else if (c == u'{') {
            if (selectors)
                return std::nullopt;
            selectors = splitOutside(pending, u',');
            if (!selectors || !std::all_of(selectors->cbegin(), selectors->cend(), isSelector))
                return std::nullopt;
            pending.clear();
        } else if (c == u'}') {
            if (!selectors || !isDeclarationList(pending))
                return std::nullopt;
            rules.append(StyleRule{*selectors, pending.trimmed()});
            selectors.reset();
            pending.clear();
        } else {
            pending.append(c);
        }
    }
    if (selectors || !pending.trimmed().isEmpty() || rules.isEmpty())
        return std::nullopt;
    return rules;
}

} // namespace ui
