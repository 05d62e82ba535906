#pragma once

#include "picture/DecodedPicture.h"

#include <QRect>

namespace picture {

// What a reader tells its load while it decodes: the parts of its picture that hold their final decoded
// pixels already, so that a person sees them before the whole file is read. Readers whose library cannot
// tell say nothing; the load then shows the picture when it is whole, as always.
class Progress {
public:
    virtual ~Progress() = default;
    // The part of the picture the person sees first; a reader that can choose its order decodes it first.
    virtual QRect wanted() const { return {}; }
    // area of decoded.image holds pixels the reader will not change again, its colour, CMYK flag and
    // orientation already as the file says. Told on the reader's thread, into the picture it hands over.
    virtual void decoded(const DecodedPicture& decoded, QRect area) {
        Q_UNUSED(decoded);
        Q_UNUSED(area);
    }
};

} // namespace picture
