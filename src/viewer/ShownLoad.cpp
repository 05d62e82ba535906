#include "viewer/ShownLoad.h"

#include "pane/PanePreview.h"
#include "picture/LoadWatch.h"
#include "picture/PictureLoader.h"

#include <condition_variable>
#include <future>
#include <mutex>

namespace {

// What the loading thread has for the window: the latest parts it made final, and whether it has ended.
struct Mailbox {
    std::mutex mutex;
    std::condition_variable changed;
    QImage seen;
    QRegion final;
    bool fresh = false;
    bool ended = false;
};

} // namespace

QImage loadShown(const picture::PictureLoader& loader, ImagePane& pane, const QString& path) {
    PanePreview preview(pane);
    Mailbox mailbox;
    const picture::LoadWatch watch{preview.area(), [&mailbox](const QImage& seen, const QRegion& final) {
                                       const std::lock_guard lock(mailbox.mutex);
                                       mailbox.seen = seen;
                                       mailbox.final = final;
                                       mailbox.fresh = true;
                                       mailbox.changed.notify_one();
                                   }};
    std::future<QImage> loaded = std::async(std::launch::async, [&] {
        struct Ending {
            Mailbox& mailbox;
            ~Ending() {
                const std::lock_guard lock(mailbox.mutex);
                mailbox.ended = true;
                mailbox.changed.notify_one();
            }
        } ending{mailbox};
        return loader.load(path, &watch);
    });
    std::unique_lock lock(mailbox.mutex);
    for (;;) {
        mailbox.changed.wait(lock, [&] { return mailbox.fresh || mailbox.ended; });
        if (mailbox.fresh) {
            const QImage seen = std::exchange(mailbox.seen, QImage());
            const QRegion final = mailbox.final;
            mailbox.fresh = false;
            lock.unlock();
            preview.show(seen, final);
            lock.lock();
        } else {
            break;
        }
    }
    lock.unlock();
    return loaded.get();
}
