#include "picture/ColourStage.h"

#include "picture/colour/ColourTransform.h"

#include <QColorSpace>

namespace picture {

namespace {

constexpr qsizetype cacheLimit = 32;

QByteArray gammaKey(const ColourDescription& colour) {
    const Chromaticities c = colour.chromaticities.value_or(srgbPrimaries);
    return QByteArray("gamma") + QByteArray::number(colour.fileGamma, 'g', 8) + ' ' +
           QByteArray::number(c.whiteX) + ' ' + QByteArray::number(c.whiteY) + ' ' +
           QByteArray::number(c.redX) + ' ' + QByteArray::number(c.redY) + ' ' +
           QByteArray::number(c.greenX) + ' ' + QByteArray::number(c.greenY) + ' ' +
           QByteArray::number(c.blueX) + ' ' + QByteArray::number(c.blueY);
}

// Without a profile, CMYK numbers can only be read as plain ink coverage over white paper.
void inkOverPaper(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        uchar* pixel = image.scanLine(y);
        QRgb* out = reinterpret_cast<QRgb*>(pixel);
        for (int x = 0, width = image.width(); x < width; ++x, pixel += 4) {
            const int paper = 255 - pixel[3];
            const int c = pixel[0], m = pixel[1], yellow = pixel[2];
            out[x] = qRgb((255 - c) * paper / 255, (255 - m) * paper / 255, (255 - yellow) * paper / 255);
        }
    }
}

} // namespace

// Without a screen profile the target is sRGB, whose profile is made only when a picture first needs it:
// start-up does not wait for it.
ColourStage::ColourStage(const QByteArray& target) {
    if (target.isEmpty())
        return;
    target_ = ColourProfile::fromIcc(target);
    if (target_.space() != ColourProfile::Space::rgb)
        target_ = ColourProfile::srgb();
    else
        targetBytes_ = target;
    targetIsSrgb_ = target_.isSrgb();
}

ColourStage::~ColourStage() = default;

void ColourStage::convert(DecodedPicture& decoded) const {
    const bool wide = decoded.image.depth() == 64;
    std::optional<Transform> transform =
        decoded.colour.lab ? fromLab(decoded.colour.iccProfile) : fromEmbedded(decoded);
    if (!transform && decoded.cmyk)
        inkOverPaper(decoded.image);
    decoded.cmyk = false;
    decoded.colour.lab = false;
    if (!transform)
        transform = fromDescription(decoded.colour, wide);
    if (*transform)
        (*transform)->apply(decoded.image);
    // The numbers are the screen's now, whatever the image was labelled with on its way in.
    if (decoded.image.colorSpace().isValid())
        decoded.image.setColorSpace(QColorSpace());
}

bool ColourStage::changesPixels(const DecodedPicture& decoded) const {
    if (decoded.cmyk || decoded.colour.lab)
        return true;
    const std::optional<Transform> embedded = fromEmbedded(decoded);
    return embedded ? bool(*embedded) : bool(fromDescription(decoded.colour, decoded.image.depth() == 64));
}

std::optional<ColourStage::Transform> ColourStage::fromEmbedded(const DecodedPicture& decoded) const {
    const QByteArray& icc = decoded.colour.iccProfile;
    if (icc.isEmpty())
        return std::nullopt;
    const bool wide = decoded.image.depth() == 64;
    return lookup(QByteArray(wide ? "wide " : "") + (decoded.cmyk ? "cmyk " : "rgb ") + icc,
                  [&] { return fromEmbedded(icc, decoded.cmyk, wide); });
}

std::optional<ColourStage::Transform> ColourStage::fromEmbedded(const QByteArray& icc, bool cmyk,
                                                                bool wide) const {
    if (icc == targetBytes_)
        return nullptr;
    const ColourProfile embedded = ColourProfile::fromIcc(icc);
    const ColourProfile::Space space = embedded.space();
    // A profile for numbers of another kind than the picture's is a mistake of the writer, and ignored.
    if (cmyk ? space != ColourProfile::Space::cmyk
             : space != ColourProfile::Space::rgb && space != ColourProfile::Space::grey)
        return std::nullopt;
    if (space == ColourProfile::Space::rgb && targetIsSrgb_ && embedded.isSrgb())
        return nullptr;
    if (Transform transform = ColourTransform::create(embedded, target(), wide))
        return transform;
    return std::nullopt;
}

// The document's own Lab profile where it has one, else Little CMS's. Lab never means the screen's numbers.
ColourStage::Transform ColourStage::fromLab(const QByteArray& icc) const {
    return *lookup("lab " + icc, [&]() -> std::optional<Transform> {
        const ColourProfile embedded = ColourProfile::fromIcc(icc);
        return ColourTransform::create(
            embedded.space() == ColourProfile::Space::lab ? embedded : ColourProfile::lab(), target(), false);
    });
}

ColourStage::Transform ColourStage::fromDescription(const ColourDescription& colour, bool wide) const {
    const QByteArray depth = wide ? "wide " : "";
    if (const std::optional<Cicp> cicp = colour.cicp) {
        const QByteArray key =
            depth + "cicp " + QByteArray::number(cicp->primaries) + ' ' + QByteArray::number(cicp->transfer);
        const std::optional<Transform> plan = lookup(key, [&]() -> std::optional<Transform> {
            const ColourProfile source = ColourProfile::fromCicp(*cicp);
            if (source.isNull())
                return std::nullopt;
            return ColourTransform::create(source, target(), wide);
        });
        if (plan)
            return *plan;
    }
    if (!colour.saysSrgb())
        return *lookup(depth + gammaKey(colour), [&] {
            return ColourTransform::create(
                ColourProfile::fromGammaAndPrimaries(colour.fileGamma, colour.chromaticities), target(),
                wide);
        });
    if (targetIsSrgb_)
        return nullptr;
    return *lookup(depth + "srgb",
                   [&] { return ColourTransform::create(ColourProfile::srgb(), target(), wide); });
}

const ColourProfile& ColourStage::target() const {
    if (target_.isNull())
        target_ = ColourProfile::srgb();
    return target_;
}

std::optional<ColourStage::Transform>
ColourStage::lookup(const QByteArray& key, const std::function<std::optional<Transform>()>& make) const {
    const std::lock_guard lock(mutex_);
    if (const auto found = plans_.constFind(key); found != plans_.constEnd())
        return *found;
    if (plans_.size() >= cacheLimit)
        plans_.clear();
    const std::optional<Transform> plan = make();
    plans_.insert(key, plan);
    return plan;
}

} // namespace picture
