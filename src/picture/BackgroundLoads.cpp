#include "picture/BackgroundLoads.h"

#include "picture/PictureLoader.h"

#include <algorithm>
#include <chrono>

namespace picture {

namespace {

// Tells those waiting for a load that it has ended, however it ends.
struct Ending {
    LoadMailbox* mailbox;
    const std::function<void()>& told;
    ~Ending() {
        if (mailbox)
            mailbox->ended();
        if (told)
            told();
    }
};

} // namespace

void BackgroundLoads::start(const QStringList& paths) {
    for (const QString& path : paths)
        if (!loads_.contains(path))
            loads_.emplace(path, Load{nullptr, std::async(std::launch::async,
                                                          [this, path] { return loader_.load(path); })});
}

void BackgroundLoads::startWatched(const QString& path, QRect area) {
    if (loads_.contains(path))
        return;
    auto mailbox = std::make_unique<LoadMailbox>(area);
    LoadMailbox& told = *mailbox;
    loads_.emplace(path, Load{std::move(mailbox), std::async(std::launch::async, [this, path, &told] {
                                  const Ending ending{&told, onEnded};
                                  return loader_.load(path, &told.watch());
                              })});
}

QImage BackgroundLoads::take(const QString& path, const LoadMailbox::Show& show) {
    const auto started = loads_.find(path);
    if (started == loads_.end())
        return loader_.load(path);
    Load load = std::move(started->second);
    loads_.erase(started);
    if (load.mailbox && show)
        load.mailbox->deliver(show);
    return load.picture.get();
}

bool BackgroundLoads::ended() const {
    // A watched load has ended once it says so, a moment before its picture is handed over.
    return std::all_of(loads_.begin(), loads_.end(), [](const auto& load) {
        return (load.second.mailbox && load.second.mailbox->hasEnded()) ||
               load.second.picture.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
}

} // namespace picture
