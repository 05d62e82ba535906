#pragma once

#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QImage>
#include <QRegion>

namespace picture {

class ColourStage;
struct LoadWatch;

// The progress of a watched load: each part a reader has decoded within the watched area is brought into
// the screen's colours and laid on white there and then, in the reader's own picture, and shown; `finish`
// brings the rest, so that every pixel is converted exactly once and the picture ends as an unwatched load
// leaves it. Pictures that are turned, or of more than 8 bits a sample, are shown only when whole.
class FinalParts : public Progress {
public:
    // Without a watch, nothing is shown and `finish` converts the whole picture.
    FinalParts(const ColourStage& screen, LoadBudget::Claim& claim, const LoadWatch* watch);

    QRect wanted() const override;
    void decoded(const DecodedPicture& decoded, QRect area) override;
    // Leaves decoded.image in the screen's colours, its transparency laid on white.
    void finish(DecodedPicture& decoded);

private:
    void convert(const DecodedPicture& decoded, QRect part) const;

    const ColourStage& screen_;
    LoadBudget::Claim& claim_;
    const LoadWatch* watch_;
    QRegion converted_;
    QImage seen_;
};

} // namespace picture
