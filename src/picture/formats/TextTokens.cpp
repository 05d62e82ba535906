#include "picture/formats/TextTokens.h"

#include <limits>

namespace picture {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

void TextTokens::skipSpace() {
    while (!atEnd()) {
        const char c = bytes_[position_];
        if (c == comment_) {
            while (!atEnd() && bytes_[position_] != '\n')
                ++position_;
        } else if (isSpace(c)) {
            ++position_;
        } else {
            return;
        }
    }
}

QByteArrayView TextTokens::next() {
    skipSpace();
    const qsizetype start = position_;
    while (!atEnd() && !isSpace(bytes_[position_]) && bytes_[position_] != comment_)
        ++position_;
    return bytes_.sliced(start, position_ - start);
}

std::optional<qint64> TextTokens::number() {
    const QByteArrayView token = next();
    if (token.isEmpty() || token.size() > 10)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : token) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return value;
}

} // namespace picture
