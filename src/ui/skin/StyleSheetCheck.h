#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace ui {

// One rule of a style sheet: its selectors and the text between its braces.
struct StyleRule {
    QStringList selectors;
    QString declarations;
};

// Reads a style sheet made of plain rules, `selectors { property: value; ... }`, with /* comments */ and
// quoted strings. Gives nothing when the text is not such a sheet: no rules at all, control characters,
// more than a megabyte of text, an unclosed comment, string, brace, parenthesis or bracket, a brace inside a
// rule, an empty selector, or a declaration that is not `property: value` with an identifier for a property.
std::optional<QList<StyleRule>> parseStyleSheet(const QString& text);

} // namespace ui
