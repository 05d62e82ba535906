#include "picture/formats/FilePieces.h"

#include <algorithm>

namespace picture {

namespace {

constexpr qint64 pieceBytes = 64 * 1024;

} // namespace

void FilePieces::readOn(qint64 need) {
    const qint64 left = cursor_.size() - cursor_.position();
    window_ = window_.sliced(cursor_.position()) + file_.read(std::max(pieceBytes, need - left));
    cursor_ = ByteCursor(window_);
}

} // namespace picture
