#include "ui/skin/StyleSheetCheck.h"

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

bool isAsciiName(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
           c == u'-';
}

// The characters of names, pseudo-states and combinators. Tested by hand, not by a regular expression,
// which would be compiled while the window opens.
bool isSelectorChar(QChar c) {
    return isAsciiName(c) || QStringView(u"#.:*>+~! \t\n\v\f\r").contains(c);
}

bool isSelector(const QString& selector) {
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
    return std::all_of(outsideBrackets.cbegin(), outsideBrackets.cend(), isSelectorChar);
}

// -?[A-Za-z_][A-Za-z0-9_-]*
bool isPropertyName(QStringView name) {
    if (name.startsWith(u'-'))
        name = name.sliced(1);
    return !name.isEmpty() && isAsciiName(name.front()) && !name.front().isDigit() && name.front() != u'-' &&
           std::all_of(name.cbegin(), name.cend(), isAsciiName);
}

bool isDeclarationList(const QString& body) {
    const std::optional<QStringList> declarations = splitOutside(body, u';');
    if (!declarations)
        return false;
    for (const QString& declaration : *declarations) {
        if (declaration.isEmpty())
            continue;
        const qsizetype colon = declaration.indexOf(u':');
        if (colon < 0 || !isPropertyName(QStringView(declaration).left(colon).trimmed()) ||
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
