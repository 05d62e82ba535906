#include "picture/LoadMailbox.h"

#include <utility>

namespace picture {

LoadMailbox::LoadMailbox(QRect area)
    : watch_{area, [this](const QImage& seen, const QRegion& final) {
                 const std::lock_guard lock(mutex_);
                 seen_ = seen;
                 final_ = final;
                 fresh_ = true;
                 changed_.notify_one();
             }} {}

void LoadMailbox::ended() {
    const std::lock_guard lock(mutex_);
    ended_ = true;
    changed_.notify_one();
}

bool LoadMailbox::hasEnded() {
    const std::lock_guard lock(mutex_);
    return ended_;
}

void LoadMailbox::deliver(const Show& show) {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return fresh_ || ended_; });
        if (!fresh_)
            return;
        const QImage seen = std::exchange(seen_, QImage());
        const QRegion final = final_;
        fresh_ = false;
        lock.unlock();
        show(seen, final);
        lock.lock();
    }
}

} // namespace picture
