#pragma once

#include <QSize>

namespace picture {

// What a cheap walk over a picture file's structure found, before any pixel is decoded: whether every
// block the file announces is really there, and the size its header declares (invalid when the format
// is not one we walk, or the header does not get that far).
class PictureIntegrity {
public:
    static PictureIntegrity whole(QSize declared) { return {true, declared}; }
    static PictureIntegrity damaged(QSize declared = {}) { return {false, declared}; }

    bool isWhole() const { return whole_; }
    QSize declaredSize() const { return declared_; }

private:
    PictureIntegrity(bool whole, QSize declared) : whole_(whole), declared_(declared) {}

    bool whole_;
    QSize declared_;
};

} // namespace picture
