#pragma once

#include <QByteArrayView>

#include <optional>

namespace picture {

// Walks the text of a picture format token by token: numbers and words split by white space, with
// comments from a marker character to the end of the line left out.
class TextTokens {
public:
    explicit TextTokens(QByteArrayView bytes, char comment = '#') : bytes_(bytes), comment_(comment) {}

    // The next run of characters up to white space, or empty at the end.
    QByteArrayView next();
    // The next token as an unsigned number below 2^31, or nothing when it is not one.
    std::optional<qint64> number();
    void skipSpace();

    qsizetype position() const { return position_; }
    void seek(qsizetype position) { position_ = position; }
    bool atEnd() const { return position_ >= bytes_.size(); }
    char peek() const { return atEnd() ? '\0' : bytes_[position_]; }
    QByteArrayView rest() const { return bytes_.sliced(qMin(position_, bytes_.size())); }

private:
    QByteArrayView bytes_;
    char comment_;
    qsizetype position_ = 0;
};

} // namespace picture
