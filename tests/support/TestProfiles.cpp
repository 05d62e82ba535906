#include "support/TestProfiles.h"

#include <QFile>

#include <lcms2.h>

#include <array>

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

} // namespace profiles
