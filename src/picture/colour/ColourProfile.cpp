#include "picture/colour/ColourProfile.h"

#include <lcms2.h>

#include <algorithm>
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

// The primaries and white of the H.273 code points a picture of the screen's kind can carry.
std::optional<Chromaticities> cicpPrimaries(int code) {
    switch (code) {
    case 1:
        return srgbPrimaries;
    case 4: // BT.470 System M, under illuminant C
        return Chromaticities{0.310, 0.316, 0.67, 0.33, 0.21, 0.71, 0.14, 0.08};
    case 5: // BT.470 System B, G
        return Chromaticities{0.3127, 0.3290, 0.64, 0.33, 0.29, 0.60, 0.15, 0.06};
    case 6: // SMPTE 170M
    case 7: // SMPTE 240M
        return Chromaticities{0.3127, 0.3290, 0.630, 0.340, 0.310, 0.595, 0.155, 0.070};
    case 8: // generic film, under illuminant C
        return Chromaticities{0.310, 0.316, 0.681, 0.319, 0.243, 0.692, 0.145, 0.049};
    case 9: // BT.2020
        return Chromaticities{0.3127, 0.3290, 0.708, 0.292, 0.170, 0.797, 0.131, 0.046};
    case 11: // DCI-P3, with its theatre white
        return Chromaticities{0.314, 0.351, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
    case 12: // Display P3
        return Chromaticities{0.3127, 0.3290, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
    case 22: // EBU Tech. 3213
        return Chromaticities{0.3127, 0.3290, 0.630, 0.340, 0.295, 0.605, 0.155, 0.077};
    default:
        return std::nullopt;
    }
}

// PQ (SMPTE ST 2084) as absolute luminance, with the 203 cd/m2 of BT.2408's reference white as the screen's
// white and everything brighter clipped to it.
double pqToScreen(double signal) {
    constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128;
    constexpr double c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32, c3 = 2392.0 / 4096 * 32;
    const double p = std::pow(signal, 1 / m2);
    const double nits = 10000 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1 / m1);
    return std::min(nits / 203, 1.0);
}

// HLG (BT.2100) through its inverse OETF alone, as scene light, with the 0.75 signal of BT.2408's reference
// white as the screen's white and everything brighter clipped to it.
double hlgToScreen(double signal) {
    constexpr double a = 0.17883277, b = 0.28466892, c = 0.55991073;
    const auto scene = [=](double e) { return e <= 0.5 ? e * e / 3 : (std::exp((e - c) / a) + b) / 12; };
    return std::min(scene(signal) / scene(0.75), 1.0);
}

// The curve of an H.273 transfer code point; BT.709's and its kin are read as sRGB's, as screens show them.
cmsToneCurve* cicpCurve(int code) {
    if (code == 16 || code == 18) {
        constexpr int steps = 4096;
        std::array<cmsFloat32Number, steps> table;
        for (int i = 0; i < steps; ++i) {
            const double signal = double(i) / (steps - 1);
            table[size_t(i)] = cmsFloat32Number(code == 16 ? pqToScreen(signal) : hlgToScreen(signal));
        }
        return cmsBuildTabulatedToneCurveFloat(nullptr, steps, table.data());
    }
    const cmsFloat64Number gamma = code == 8 ? 1.0 : code == 4 ? 2.2 : code == 5 ? 2.8 : 0;
    return gamma > 0 ? cmsBuildParametricToneCurve(nullptr, 1, &gamma) : srgbCurve();
}

cmsHPROFILE rgbProfile(const Chromaticities& c, cmsToneCurve* curve) {
    if (!curve)
        return nullptr;
    const cmsCIExyY white{c.whiteX, c.whiteY, 1};
    const cmsCIExyYTRIPLE triple{{c.redX, c.redY, 1}, {c.greenX, c.greenY, 1}, {c.blueX, c.blueY, 1}};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &triple, curves);
    cmsFreeToneCurve(curve);
    return profile;
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
    cmsHPROFILE profile = rgbProfile(primaries.value_or(srgbPrimaries),
                                     fileGamma > 0 ? cmsBuildGamma(nullptr, 1 / fileGamma) : srgbCurve());
    return profile ? ColourProfile(profile) : ColourProfile();
}

ColourProfile ColourProfile::fromCicp(const Cicp& cicp) {
    const std::optional<Chromaticities> primaries = cicpPrimaries(cicp.primaries);
    const bool knownCurve = cicp.transfer == 4 || cicp.transfer == 5 || cicp.transfer == 8 ||
                            cicp.transfer == 16 || cicp.transfer == 18;
    if ((!primaries || cicp.primaries == 1) && !knownCurve)
        return {};
    cmsHPROFILE profile = rgbProfile(primaries.value_or(srgbPrimaries), cicpCurve(cicp.transfer));
    return profile ? ColourProfile(profile) : ColourProfile();
}

ColourProfile ColourProfile::lab() {
    return ColourProfile(cmsCreateLab4Profile(nullptr));
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
    case cmsSigLabData:
        return Space::lab;
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
