#pragma once

#include "picture/LoadWatch.h"

#include <QImage>
#include <QRegion>

#include <condition_variable>
#include <functional>
#include <mutex>

namespace picture {

// Carries what a load makes final from its thread to the window's: the load is watched through watch(),
// says ended() when it stops, and the window's thread hands each fresh part on until then.
class LoadMailbox {
public:
    using Show = std::function<void(const QImage& seen, const QRegion& final)>;

    explicit LoadMailbox(QRect area);
    LoadMailbox(const LoadMailbox&) = delete;
    LoadMailbox& operator=(const LoadMailbox&) = delete;

    const LoadWatch& watch() const { return watch_; }
    // Told by the loading thread, however its load stops.
    void ended();
    bool hasEnded();
    // Waits on the calling thread until the load has ended, handing show the latest part each time more
    // of the picture is final; parts that came while show ran are taken together.
    void deliver(const Show& show);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    QImage seen_;
    QRegion final_;
    bool fresh_ = false;
    bool ended_ = false;
    LoadWatch watch_;
};

} // namespace picture
