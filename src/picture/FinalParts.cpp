#include "picture/FinalParts.h"

#include "picture/ColourStage.h"
#include "picture/LoadWatch.h"
#include "picture/colour/OverWhite.h"

#include <QColorSpace>
#include <QPainter>

namespace picture {

namespace {

// The part of a picture as a picture of its own, over the same pixels.
QImage partOf(const QImage& image, QRect part) {
    const uchar* first = image.constBits() + part.y() * image.bytesPerLine() + part.x() * (image.depth() / 8);
    return QImage(const_cast<uchar*>(first), part.width(), part.height(), image.bytesPerLine(),
                  image.format());
}

bool shownWhileLoading(const DecodedPicture& decoded) {
    return decoded.orientation == 1 && decoded.image.depth() == 32;
}

} // namespace

FinalParts::FinalParts(const ColourStage& screen, LoadBudget::Claim& claim, const LoadWatch* watch)
    : screen_(screen), claim_(claim),
      watch_(watch && watch->show && !watch->area.isEmpty() ? watch : nullptr) {}

QRect FinalParts::wanted() const {
    return watch_ ? watch_->area : QRect();
}

void FinalParts::decoded(const DecodedPicture& decoded, QRect area) {
    if (!watch_ || !shownWhileLoading(decoded))
        return;
    const QRegion fresh = QRegion(area & watch_->area & decoded.image.rect()) - converted_;
    if (fresh.isEmpty())
        return;
    if (seen_.isNull())
        seen_ = QImage(watch_->area.size(), QImage::Format_RGB32);
    QPainter painter(&seen_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& part : fresh) {
        convert(decoded, part);
        painter.drawImage(part.topLeft() - watch_->area.topLeft(), decoded.image, part);
    }
    painter.end();
    converted_ += fresh;
    watch_->show(seen_, converted_.translated(-watch_->area.topLeft()));
}

void FinalParts::finish(DecodedPicture& decoded) {
    if (converted_.isEmpty()) {
        screen_.convert(decoded);
    } else {
        for (const QRect& part : QRegion(decoded.image.rect()) - converted_)
            convert(decoded, part);
        decoded.cmyk = false;
        if (decoded.image.colorSpace().isValid())
            decoded.image.setColorSpace(QColorSpace());
    }
    OverWhite::lay(decoded.image, claim_);
}

// The part converted and laid on white where it lies, the picture around it untouched.
void FinalParts::convert(const DecodedPicture& decoded, QRect part) const {
    DecodedPicture band{partOf(decoded.image, part), decoded.cmyk, decoded.colour, decoded.orientation};
    screen_.convert(band);
    OverWhite::lay(band.image, claim_);
}

} // namespace picture
