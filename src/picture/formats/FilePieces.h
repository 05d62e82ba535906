#pragma once

#include "picture/formats/ByteCursor.h"

#include <QByteArray>
#include <QIODevice>

namespace picture {

// A file read a piece at a time and walked with a ByteCursor, for readers whose data runs on to the end
// of the picture: only a piece of the file is held at once. The cursor's overrun stays once it is set.
class FilePieces {
public:
    explicit FilePieces(QIODevice& file) : file_(file) {}
    FilePieces(const FilePieces&) = delete;
    FilePieces& operator=(const FilePieces&) = delete;

    // The cursor over the bytes not yet walked, holding at least need of them unless the file ends first.
    ByteCursor& cursor(qint64 need) {
        if (cursor_.size() - cursor_.position() < need && !cursor_.overrun())
            readOn(need);
        return cursor_;
    }

private:
    void readOn(qint64 need);

    QIODevice& file_;
    QByteArray window_;
    ByteCursor cursor_{window_};
};

} // namespace picture
