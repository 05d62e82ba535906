#include "picture/colour/ColourProfile.h"

#include <lcms2.h>

#include <array>
#include <cmath>

namespace picture {

namespace {

constexpr double tolerance = 0.002;

bool near(const cmsCIEXYZ* a, const cmsCIEXYZ* b) {
    return a && b && std::abs(a->X - b->X) < tolerance && std::abs(a->Y - b->Y) < tolerance &&
           std::abs(a->Z - b->Z) < tolerance;
}

bool near(const cmsToneCurve* a, const cmsToneCurve* b) {
    if (!a || !b)
        return false;
    for (int step = 0; step <= 64; ++step) {
        const float x = float(step) / 64;
        if (std::abs(cmsEvalToneCurveFloat(a, x) - cmsEvalToneCurveFloat(b, x)) > tolerance)
            return false;
    }
    return true;
}

cmsToneCurve* srgbCurve() {
    const cmsFloat64Number parameters[] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    return cmsBuildParametricToneCurve(nullptr, 4, parameters);
}

} // namespace

ColourProfile::ColourProfile(void* handle)
    : handle_(handle, [](void* profile) { cmsCloseProfile(profile); }) {}

ColourProfile ColourProfile::srgb() {
    static const ColourProfile profile(cmsCreate_sRGBProfile());
    return profile;
}

ColourProfile ColourProfile::fromIcc(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return {};
    cmsHPROFILE profile = cmsOpenProfileFromMem(bytes.data(), cmsUInt32Number(bytes.size()));
    return profile ? ColourProfile(profile) : ColourProfile();
}

ColourProfile ColourProfile::fromGammaAndPrimaries(double fileGamma,
                                                   const std::optional<Chromaticities>& primaries) {
    const Chromaticities c = primaries.value_or(srgbPrimaries);
    const cmsCIExyY white{c.whiteX, c.whiteY, 1};
    const cmsCIExyYTRIPLE triple{{c.redX, c.redY, 1}, {c.greenX, c.greenY, 1}, {c.blueX, c.blueY, 1}};
    cmsToneCurve* curve = fileGamma > 0 ? cmsBuildGamma(nullptr, 1 / fileGamma) : srgbCurve();
    if (!curve)
        return {};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &triple, curves);
    cmsFreeToneCurve(curve);
    return profile ? ColourProfile(profile) : ColourProfile();
}

ColourProfile::Space ColourProfile::space() const {
    if (!handle_)
        return Space::other;
    switch (cmsGetColorSpace(handle_.get())) {
    case cmsSigRgbData:
        return Space::rgb;
    case cmsSigGrayData:
        return Space::grey;
    case cmsSigCmykData:
        return Space::cmyk;
    default:
        return Space::other;
    }
}

bool ColourProfile::isRgbMatrixShaper() const {
    // A profile with lookup tables is converted by them, whatever curves and matrix it also carries.
    return space() == Space::rgb && cmsIsMatrixShaper(handle_.get()) &&
           !cmsIsTag(handle_.get(), cmsSigAToB0Tag) && !cmsIsTag(handle_.get(), cmsSigBToA0Tag);
}

ColourProfile ColourProfile::withLinearCurves() const {
    cmsUInt32Number size = 0;
    if (!handle_ || !cmsSaveProfileToMem(handle_.get(), nullptr, &size))
        return {};
    QByteArray bytes(size, '\0');
    if (!cmsSaveProfileToMem(handle_.get(), bytes.data(), &size))
        return {};
    ColourProfile twin = fromIcc(bytes);
    cmsToneCurve* line = cmsBuildGamma(nullptr, 1.0);
    bool written = !twin.isNull() && line;
    for (cmsTagSignature tag : {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag})
        written = written && cmsWriteTag(twin.handle(), tag, line);
    if (line)
        cmsFreeToneCurve(line);
    return written ? twin : ColourProfile();
}

bool ColourProfile::isSrgb() const {
    if (!isRgbMatrixShaper())
        return false;
    void* reference = srgb().handle();
    for (cmsTagSignature tag : {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag})
        if (!near(static_cast<const cmsCIEXYZ*>(cmsReadTag(handle_.get(), tag)),
                  static_cast<const cmsCIEXYZ*>(cmsReadTag(reference, tag))))
            return false;
    for (cmsTagSignature tag : {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag})
        if (!near(static_cast<const cmsToneCurve*>(cmsReadTag(handle_.get(), tag)),
                  static_cast<const cmsToneCurve*>(cmsReadTag(reference, tag))))
            return false;
    return true;
}

} // namespace picture
