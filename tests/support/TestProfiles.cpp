#include "support/TestProfiles.h"

#include <QFile>

#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace profiles {

namespace {

QByteArray saved(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    QByteArray bytes;
    if (profile && cmsSaveProfileToMem(profile, nullptr, &size)) {
        bytes.resize(size);
        cmsSaveProfileToMem(profile, bytes.data(), &size);
    }
    if (profile)
        cmsCloseProfile(profile);
    return bytes;
}

} // namespace

QByteArray packaged(const char* name) {
    QFile file(QStringLiteral("/usr/share/color/icc/colord/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray cmykWithKnownRed() {
    // The Lab of sRGB (237, 38, 44), from: echo 237 38 44 | transicc -i '*sRGB' -o '*Lab' -t1 -n
    constexpr cmsCIELab red{52.2684, 72.4343, 50.2472};
    std::array<cmsUInt16Number, 16 * 3> table{};
    for (int corner = 0; corner < 16; ++corner) {
        const bool c = corner & 8, m = corner & 4, y = corner & 2, k = corner & 1;
        cmsCIELab lab{50, 0, 0};
        if (k)
            lab = {0, 0, 0};
        else if (!c && !m && !y)
            lab = {100, 0, 0};
        else if (!c && m && y)
            lab = red;
        cmsFloat2LabEncodedV2(&table[corner * 3], &lab);
    }
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 2.1);
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 4, 3);
    cmsPipelineInsertStage(pipeline, cmsAT_BEGIN, cmsStageAllocCLut16bit(nullptr, 2, 4, 3, table.data()));
    cmsWriteTag(profile, cmsSigAToB0Tag, pipeline);
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsPipelineFree(pipeline);
    return saved(profile);
}

QByteArray absurdPrimaries() {
    const cmsCIExyY white{0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    // Colorants near the largest number the format holds, in opposite directions.
    const cmsCIEXYZ red{20000, -20000, 20000}, green{-20000, 20000, -20000}, blue{20000, 20000, -20000};
    cmsWriteTag(profile, cmsSigRedColorantTag, &red);
    cmsWriteTag(profile, cmsSigGreenColorantTag, &green);
    cmsWriteTag(profile, cmsSigBlueColorantTag, &blue);
    return saved(profile);
}

QByteArray grey(double gamma) {
    cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), curve);
    cmsFreeToneCurve(curve);
    return saved(profile);
}

QImage srgbOfInks(const QImage& inks, const QByteArray& cmykProfile) {
    cmsHPROFILE cmyk = cmsOpenProfileFromMem(cmykProfile.constData(), cmsUInt32Number(cmykProfile.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = cmsCreateTransform(cmyk, TYPE_CMYK_8, srgb, TYPE_RGB_DBL, INTENT_PERCEPTUAL,
                                                 cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE);
    QImage colours(inks.size(), QImage::Format_RGB32);
    std::vector<double> rgb(size_t(inks.width()) * 3);
    for (int y = 0; y < inks.height(); ++y) {
        cmsDoTransform(transform, inks.constScanLine(y), rgb.data(), cmsUInt32Number(inks.width()));
        const auto eight = [](double v) { return int(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
        for (int x = 0; x < inks.width(); ++x)
            colours.setPixel(x, y, qRgb(eight(rgb[x * 3]), eight(rgb[x * 3 + 1]), eight(rgb[x * 3 + 2])));
    }
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    cmsCloseProfile(cmyk);
    return colours;
}

} // namespace profiles
