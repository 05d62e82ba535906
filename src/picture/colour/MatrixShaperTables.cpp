#include "picture/colour/MatrixShaperTables.h"

#include "desktop/Owned.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace picture {

namespace {

using Transform = desktop::Owned<void, cmsDeleteTransform>;

Transform transform(const ColourProfile& from, cmsUInt32Number fromFormat, const ColourProfile& to,
                    cmsUInt32Number toFormat) {
    return Transform(cmsCreateTransform(from.handle(), fromFormat, to.handle(), toFormat, INTENT_PERCEPTUAL,
                                        cmsFLAGS_NOCACHE));
}

} // namespace

std::unique_ptr<const MatrixShaperTables> MatrixShaperTables::create(const ColourProfile& source,
                                                                     const ColourProfile& target) {
    if (!source.isRgbMatrixShaper() || !target.isRgbMatrixShaper())
        return nullptr;
    // The target's primaries with straight lines for curves: its linear light.
    const ColourProfile linear = target.withLinearCurves();
    const Transform toLinear = transform(source, TYPE_RGB_8, linear, TYPE_RGB_FLT);
    const Transform fromLinear = transform(linear, TYPE_RGB_16, target, TYPE_RGB_8);
    if (linear.isNull() || !toLinear || !fromLinear)
        return nullptr;
    std::unique_ptr<MatrixShaperTables> tables(new MatrixShaperTables);

    // Each channel alone, at every value: the matrix is linear, so the shares add up.
    std::vector<uchar> single(3 * 256 * 3, 0);
    for (int channel = 0; channel < 3; ++channel)
        for (int value = 0; value < 256; ++value)
            single[(channel * 256 + value) * 3 + channel] = uchar(value);
    std::vector<float> light(3 * 256 * 3);
    cmsDoTransform(toLinear.get(), single.data(), light.data(), 3 * 256);
    // Far outside any real gamut a share only needs to stay far outside, and three must add up without
    // overflow; a profile with absurd numbers gives infinities and worse.
    const auto bounded = [](float share) {
        return std::isfinite(share) ? std::clamp(share, -4.0f, 4.0f) : 0.0f;
    };
    for (int channel = 0; channel < 3; ++channel)
        for (int value = 0; value < 256; ++value)
            for (int out = 0; out < 3; ++out)
                tables->shares_[channel][value][out] = qint32(
                    std::lround(bounded(light[(channel * 256 + value) * 3 + out]) * (linearSteps - 1)));

    // Grey ramps through the target's curves; with its own primaries the channels stay apart.
    std::vector<quint16> ramp(linearSteps * 3);
    for (int i = 0; i < linearSteps; ++i)
        std::fill_n(&ramp[i * 3], 3, quint16(i));
    std::vector<uchar> ends(linearSteps * 3);
    cmsDoTransform(fromLinear.get(), ramp.data(), ends.data(), linearSteps);
    for (int i = 0; i < linearSteps; ++i)
        for (int channel = 0; channel < 3; ++channel)
            tables->encoded_[channel][i] = ends[i * 3 + channel];
    return tables;
}

void MatrixShaperTables::apply(QRgb* pixels, int count) const {
    const auto index = [](qint32 light) { return std::clamp(light, 0, linearSteps - 1); };
    for (int x = 0; x < count; ++x) {
        const QRgb pixel = pixels[x];
        const std::array<qint32, 4>& r = shares_[0][qRed(pixel)];
        const std::array<qint32, 4>& g = shares_[1][qGreen(pixel)];
        const std::array<qint32, 4>& b = shares_[2][qBlue(pixel)];
        pixels[x] = qRgba(encoded_[0][index(r[0] + g[0] + b[0])], encoded_[1][index(r[1] + g[1] + b[1])],
                          encoded_[2][index(r[2] + g[2] + b[2])], qAlpha(pixel));
    }
}

} // namespace picture
