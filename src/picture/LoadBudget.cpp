#include "picture/LoadBudget.h"

#include "desktop/PanReach.h"
#include "desktop/PhysicalMemory.h"
#include "picture/PictureFailures.h"

#include <QThread>

#include <algorithm>

namespace picture {

namespace {

constexpr qint64 megabyte = 1024 * 1024;
constexpr qint64 bytesPerPixel = 4; // every picture ends up as 32-bit RGB, whatever it is decoded to
// What a load may hold while large claims are held: a picture of about 32 megapixels. Decoding one that size
// beside the window gains more than its page faults cost the window; a larger one would make the first
// frame late, and could not be shown in it anyway.
constexpr qint64 smallLoad = 128 * megabyte;
// The most threads a load decodes on: each takes buffers of its own and a stack of 8 MB out of the margin
// a decoder helper may map beyond its claims, and libraries gain little beyond eight.
constexpr int mostCores = 8;

} // namespace

LoadBudget::Claim::Claim(LoadBudget& budget) : budget_(&budget) {
    const std::lock_guard lock(budget_->mutex_);
    ++budget_->claims_;
}

LoadBudget::Claim::Claim(Claim&& other) noexcept : budget_(other.budget_), bytes_(other.bytes_) {
    other.bytes_ = 0;
    const std::lock_guard lock(budget_->mutex_);
    ++budget_->claims_;
}

LoadBudget::Claim::~Claim() {
    budget_->giveBack(*this);
    const std::lock_guard lock(budget_->mutex_);
    --budget_->claims_;
}

int LoadBudget::Claim::cores() const {
    if (budget_->lender_)
        return std::clamp(budget_->lender_->cores(), 1, std::min(machineCores(), mostCores));
    const std::lock_guard lock(budget_->mutex_);
    return std::clamp(budget_->cores_ / std::max(1, budget_->claims_), 1, mostCores);
}

void LoadBudget::Claim::grow(qint64 bytes) {
    budget_->take(*this, bytes);
}

QImage LoadBudget::Claim::pixels(QSize size, QImage::Format format, qint64 alongside) {
    grow(qint64(size.width()) * size.height() * (QImage::toPixelFormat(format).bitsPerPixel() / 8) +
         alongside);
    if (budget_->lender_)
        return budget_->lender_->pixels(size, format);
    QImage image(size, format);
    if (image.isNull())
        outOfMemory();
    desktop::preferSmallPages(image.bits(), image.sizeInBytes());
    return image;
}

LoadBudget::LargeClaimsHeld::LargeClaimsHeld(LoadBudget& budget) : budget_(budget) {
    const std::lock_guard lock(budget_.mutex_);
    budget_.largeHeld_ = true;
}

void LoadBudget::LargeClaimsHeld::release() {
    {
        const std::lock_guard lock(budget_.mutex_);
        budget_.largeHeld_ = false;
    }
    budget_.released_.notify_all();
}

qint64 LoadBudget::machineShare() {
    // A quarter of the machine leaves room for the pictures on show and everything else. The floor still
    // opens ordinary photos on a small machine; the ceiling keeps one picture's byte count within an int.
    return std::clamp(desktop::physicalMemory() / 4 / megabyte, qint64(256), qint64(2047)) * megabyte;
}

int LoadBudget::machineCores() {
    return std::max(1, QThread::idealThreadCount());
}

LoadBudget::Claim LoadBudget::claim(qint64 bytes) {
    Claim claim(*this);
    claim.grow(bytes);
    return claim;
}

void LoadBudget::refuseIfTooLarge(QSize size, qint64 otherBytes) const {
    if (qint64(size.width()) * size.height() > (total_ - otherBytes) / bytesPerPixel)
        desktop::pictureTooLarge(size);
    // Either side, as an orientation may turn the picture after its header.
    if (std::max(size.width(), size.height()) > desktop::longestPannableSide)
        desktop::pictureTooLargeToPan(desktop::panReach);
}

qint64 LoadBudget::peak() const {
    const std::lock_guard lock(mutex_);
    return peak_;
}

qint64 LoadBudget::held() const {
    const std::lock_guard lock(mutex_);
    return held_;
}

void LoadBudget::waitForRoom(std::unique_lock<std::mutex>& lock, const Claim& claim, qint64 bytes) {
    released_.wait(lock, [&] { return !largeHeld_ || claim.bytes_ + bytes <= smallLoad; });
    if (held_ + bytes > total_) {
        // Waiting makes sense only while some other load that holds memory is still running: it will end
        // and give its bytes back. Loads that all wait for each other would wait for ever.
        const bool holder = claim.bytes_ > 0;
        waitingHolders_ += holder;
        released_.notify_all();
        const bool fits = [&] {
            for (;;) {
                if (held_ + bytes <= total_)
                    return true;
                if (holders_ - waitingHolders_ == 0)
                    return false;
                released_.wait(lock);
            }
        }();
        waitingHolders_ -= holder;
        if (!fits) {
            released_.notify_all();
            outOfMemory();
        }
    }
}

void LoadBudget::take(Claim& claim, qint64 bytes) {
    if (bytes <= 0)
        return;
    std::unique_lock lock(mutex_);
    if (bytes > total_ - claim.bytes_)
        outOfMemory();
    if (lender_)
        lender_->lend(bytes); // the lending budget waits and refuses as for its own loads
    else
        waitForRoom(lock, claim, bytes);
    holders_ += claim.bytes_ == 0;
    claim.bytes_ += bytes;
    held_ += bytes;
    peak_ = std::max(peak_, held_);
}

void LoadBudget::giveBack(Claim& claim) {
    if (claim.bytes_ == 0)
        return;
    {
        const std::lock_guard lock(mutex_);
        held_ -= claim.bytes_;
        --holders_;
        claim.bytes_ = 0;
    }
    released_.notify_all();
}

} // namespace picture
