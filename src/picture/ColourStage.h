#pragma once

#include "picture/DecodedPicture.h"
#include "picture/colour/ColourProfile.h"

#include <QHash>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace picture {

class ColourTransform;

// Brings a decoded picture's colour numbers into the screen's colour space, by what its file says about
// them: an embedded ICC profile (RGB, grey or CMYK), PNG's sRGB, gAMA and cHRM, or, when nothing is said,
// sRGB. Pictures already in the screen's space are left as they are, at no cost. Transforms are made once
// for each source and kept.
class ColourStage {
public:
    // target is the screen's ICC profile; empty or unusable means sRGB.
    explicit ColourStage(const QByteArray& target);
    ~ColourStage();

    // Leaves decoded.image in the target space, with its depth and its transparency as they were (to be
    // laid on white in that space), and decoded.cmyk cleared: CMYK pictures come out RGB32.
    void convert(DecodedPicture& decoded) const;
    // Whether convert would change any of decoded's pixels' numbers.
    bool changesPixels(const DecodedPicture& decoded) const;

private:
    // Null when the picture's numbers already mean the target's.
    using Transform = std::shared_ptr<const ColourTransform>;

    // By decoded's embedded profile; nothing when it has none that applies.
    std::optional<Transform> fromEmbedded(const DecodedPicture& decoded) const;
    // Nothing when the profile is unusable or for numbers of another kind, and so ignored.
    // wide: for 16 bits a sample.
    std::optional<Transform> fromEmbedded(const QByteArray& icc, bool cmyk, bool wide) const;
    Transform fromLab(const QByteArray& icc) const;
    Transform fromDescription(const ColourDescription& colour, bool wide) const;
    // What key's source needs, decided once: make runs only for a source not seen before.
    std::optional<Transform> lookup(const QByteArray& key,
                                    const std::function<std::optional<Transform>()>& make) const;

    // Only where make runs, under the lock.
    const ColourProfile& target() const;

    QByteArray targetBytes_;
    mutable ColourProfile target_;
    bool targetIsSrgb_ = true;
    mutable std::mutex mutex_;
    mutable QHash<QByteArray, std::optional<Transform>> plans_;
};

} // namespace picture
