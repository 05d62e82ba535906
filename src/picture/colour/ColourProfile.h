#pragma once

#include "picture/colour/ColourSpaceCodes.h"

#include <QByteArray>
#include <QByteArrayView>

#include <memory>
#include <optional>

namespace picture {

// One colour profile in Little CMS, owned; copies share it.
class ColourProfile {
public:
    enum class Space { other, rgb, grey, cmyk, lab };

    ColourProfile() = default;

    static ColourProfile srgb();
    // Little CMS's own CIE L*a*b* under D50.
    static ColourProfile lab();
    // Null when the bytes are not a profile Little CMS can use.
    static ColourProfile fromIcc(QByteArrayView bytes);
    // A profile built from PNG's gAMA and cHRM: a pure power curve over the primaries, sRGB's when the
    // file names none, and sRGB's curve when it names no gamma.
    static ColourProfile fromGammaAndPrimaries(double fileGamma,
                                               const std::optional<Chromaticities>& primaries);

    // A profile built from an nclx box's primaries and transfer curve; null for sRGB's own and for code
    // points it does not know, which read as sRGB.
    static ColourProfile fromCicp(const Cicp& cicp);

    bool isNull() const { return !handle_; }
    void* handle() const { return handle_.get(); }
    Space space() const;
    // Whether converting from this profile to sRGB would change no pixel: the same primaries and white and
    // the same curve, as many embedded profiles of cameras and editors are.
    bool isSrgb() const;
    // An RGB profile made of three curves and a matrix, with no tables.
    bool isRgbMatrixShaper() const;
    // The same profile with straight lines for curves: the linear light of its primaries.
    ColourProfile withLinearCurves() const;

private:
    explicit ColourProfile(void* handle);

    std::shared_ptr<void> handle_;
};

} // namespace picture
