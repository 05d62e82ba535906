#pragma once

#include "picture/DecodedPicture.h"

#include <QRect>

namespace picture {

// What a reader tells its load while it decodes: the parts of its picture that hold their final decoded
// pixels already, so that a person sees them before the whole file is read and the load brings them into
// the screen's colours while the reader goes on. Readers whose library cannot tell say nothing; the load
// then works on the picture when it is whole, as always.
class Progress {
public:
    // Held by a reader that tells of parts, made after its picture and kept for as long as it reads:
    // while it is held, the load may work on told parts beside the reader; when it goes, however the read
    // ends, that work has ended, so that it never outlives the picture's pixels.
    class Lease {
    public:
        explicit Lease(Progress& progress) : progress_(progress) { progress_.leased(true); }
        ~Lease() { progress_.leased(false); }
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

    private:
        Progress& progress_;
    };

    virtual ~Progress() = default;
    // The part of the picture the person sees first; a reader that can choose its order decodes it first.
    virtual QRect wanted() const { return {}; }
    // area of decoded.image holds pixels the reader will not change again, its colour, CMYK flag and
    // orientation already as the file says. Told on the reader's thread, into the picture it hands over,
    // whose pixels stay where they are from the first part told.
    virtual void decoded(const DecodedPicture& decoded, QRect area) {
        Q_UNUSED(decoded);
        Q_UNUSED(area);
    }

protected:
    // Work on told parts may go on beside the reader while held; when it is no longer held, that work
    // ends before this returns.
    virtual void leased(bool held) { Q_UNUSED(held); }
};

} // namespace picture
