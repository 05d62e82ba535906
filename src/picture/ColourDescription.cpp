#include "picture/ColourDescription.h"

#include "picture/colour/ColourProfile.h"

#include <cmath>

namespace picture {

namespace {

bool near(double a, double b) {
    return std::abs(a - b) < 0.0005;
}

bool isSrgbPrimaries(const Chromaticities& c) {
    const Chromaticities& s = srgbPrimaries;
    return near(c.whiteX, s.whiteX) && near(c.whiteY, s.whiteY) && near(c.redX, s.redX) &&
           near(c.redY, s.redY) && near(c.greenX, s.greenX) && near(c.greenY, s.greenY) &&
           near(c.blueX, s.blueX) && near(c.blueY, s.blueY);
}

} // namespace

bool ColourDescription::saysSrgb() const {
    return srgb || ((fileGamma == 0 || near(fileGamma, 1 / 2.2)) &&
                    (!chromaticities || isSrgbPrimaries(*chromaticities)));
}

bool ColourDescription::keepsSixteenBits() const {
    if (!iccProfile.isEmpty())
        return !ColourProfile::fromIcc(iccProfile).isSrgb();
    // Code points the stage builds no profile from are sRGB's, or read as sRGB.
    if (cicp && !ColourProfile::fromCicp(*cicp).isNull())
        return true;
    return !saysSrgb();
}

} // namespace picture
