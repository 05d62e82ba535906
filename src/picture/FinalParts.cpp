#include "picture/FinalParts.h"

#include "picture/ColourStage.h"
#include "picture/LoadWatch.h"
#include "picture/colour/OverWhite.h"

#include <QColorSpace>
#include <QPainter>

#include <utility>

namespace picture {

namespace {

constexpr qint64 handOverPixels = 1 << 18;

// The part of a picture as a picture of its own, over the same pixels.
QImage partOf(const QImage& image, QRect part) {
    const uchar* first = image.constBits() + part.y() * image.bytesPerLine() + part.x() * (image.depth() / 8);
    return QImage(const_cast<uchar*>(first), part.width(), part.height(), image.bytesPerLine(),
                  image.format());
}

} // namespace

FinalParts::FinalParts(const ColourStage& screen, LoadBudget::Claim& claim, const LoadWatch* watch)
    : screen_(screen), claim_(claim),
      watch_(watch && watch->show && !watch->area.isEmpty() ? watch : nullptr) {}

FinalParts::~FinalParts() {
    stopBeside();
}

QRect FinalParts::wanted() const {
    return watch_ ? watch_->area : QRect();
}

void FinalParts::decoded(const DecodedPicture& decoded, QRect area) {
    if (decoded.image.depth() != 32)
        return;
    const QRegion fresh = QRegion(area & decoded.image.rect()) - taken_ - gathered_;
    if (fresh.isEmpty())
        return;
    QRegion rest = fresh;
    if (watch_ && decoded.orientation == 1) {
        show(decoded, fresh & watch_->area);
        rest -= watch_->area;
    }
    if (leased_ && !rest.isEmpty())
        convertBeside(decoded, rest);
}

void FinalParts::show(const DecodedPicture& decoded, const QRegion& fresh) {
    if (fresh.isEmpty())
        return;
    if (seen_.isNull())
        seen_ = QImage(watch_->area.size(), QImage::Format_RGB32);
    QPainter painter(&seen_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // Drawn from the part alone: the rest of the picture may be changing on other threads meanwhile.
    for (const QRect& part : fresh) {
        convert(decoded, part);
        painter.drawImage(part.topLeft() - watch_->area.topLeft(), partOf(decoded.image, part));
    }
    painter.end();
    taken_ += fresh;
    watch_->show(seen_, (taken_ & watch_->area).translated(-watch_->area.topLeft()));
}

// Pictures whose numbers are the screen's already and that have no transparency need no work at all.
// Parts are handed over a few hundred thousand pixels at a time, so that the work of each hand-over is
// small beside the work it hands over; the last few are converted by `finish`.
void FinalParts::convertBeside(const DecodedPicture& decoded, const QRegion& fresh) {
    if (!worthBeside_) {
        worthBeside_ = decoded.image.format() == QImage::Format_ARGB32 || screen_.changesPixels(decoded);
        if (*worthBeside_) {
            pixels_ = {partOf(decoded.image, decoded.image.rect()), decoded.cmyk, decoded.colour,
                       decoded.orientation};
            beside_ = std::thread([this] { convertQueued(); });
        }
    }
    if (!*worthBeside_)
        return;
    gathered_ += fresh;
    for (const QRect& part : fresh)
        gatheredPixels_ += qint64(part.width()) * part.height();
    if (gatheredPixels_ < handOverPixels)
        return;
    {
        const std::lock_guard lock(mutex_);
        queue_ += gathered_;
    }
    queued_.notify_one();
    taken_ += gathered_;
    gathered_ = QRegion();
    gatheredPixels_ = 0;
}

// Parts told one after another join into larger ones while this thread is busy.
void FinalParts::convertQueued() {
    std::unique_lock lock(mutex_);
    for (;;) {
        queued_.wait(lock, [this] { return ending_ || !queue_.isEmpty(); });
        if (queue_.isEmpty())
            return;
        const QRegion parts = std::exchange(queue_, QRegion());
        lock.unlock();
        try {
            for (const QRect& part : parts)
                convert(pixels_, part);
        } catch (...) {
            lock.lock();
            failed_ = std::current_exception();
            return;
        }
        lock.lock();
    }
}

void FinalParts::leased(bool held) {
    leased_ = held;
    if (!held)
        stopBeside();
}

// Whatever is queued is converted first: those parts count as taken.
void FinalParts::stopBeside() {
    if (!beside_.joinable())
        return;
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    queued_.notify_one();
    beside_.join();
}

void FinalParts::finish(DecodedPicture& decoded) {
    stopBeside();
    if (failed_)
        std::rethrow_exception(failed_);
    if (taken_.isEmpty()) {
        screen_.convert(decoded);
        OverWhite::lay(decoded.image, claim_);
        return;
    }
    // Each part is laid on white as it is converted: what is left is to say so of the whole picture.
    for (const QRect& part : QRegion(decoded.image.rect()) - taken_)
        convert(decoded, part);
    decoded.cmyk = false;
    decoded.colour.lab = false;
    if (decoded.image.colorSpace().isValid())
        decoded.image.setColorSpace(QColorSpace());
    if (decoded.image.format() == QImage::Format_ARGB32)
        decoded.image.reinterpretAsFormat(QImage::Format_RGB32);
}

// The part converted and laid on white where it lies, the picture around it untouched.
void FinalParts::convert(const DecodedPicture& decoded, QRect part) const {
    DecodedPicture band{partOf(decoded.image, part), decoded.cmyk, decoded.colour, decoded.orientation};
    screen_.convert(band);
    OverWhite::lay(band.image, claim_);
}

} // namespace picture
