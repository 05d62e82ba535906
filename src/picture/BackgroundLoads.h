#pragma once

#include "picture/LoadMailbox.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <future>
#include <map>
#include <memory>

namespace picture {

class PictureLoader;

// Pictures loaded ahead, each on a thread of its own, so that several decode at once while the caller
// goes on. Unfinished loads are waited for when the set is destroyed.
class BackgroundLoads {
public:
    explicit BackgroundLoads(const PictureLoader& loader) : loader_(loader) {}

    void start(const QStringList& paths);
    // A load watched over area, the part of the picture its pane will show first.
    void startWatched(const QString& path, QRect area);
    // The picture at path, once its load has ended; a failure comes out here, as the loader's own
    // would. Meanwhile a watched load hands show the parts it makes final. A path that was never started
    // is loaded here and now.
    QImage take(const QString& path, const LoadMailbox::Show& show = {});
    // Whether every load started and not yet taken has ended, without waiting for any.
    bool ended() const;
    // Told on the loading thread as each load ends; set before the first start.
    std::function<void()> onEnded;

private:
    struct Load {
        // Destroyed after the load that tells it, which is waited for first.
        std::unique_ptr<LoadMailbox> mailbox;
        std::future<QImage> picture;
    };

    const PictureLoader& loader_;
    std::map<QString, Load> loads_;
};

} // namespace picture
