#include "picture/BackgroundLoads.h"

#include "picture/PictureLoader.h"

#include <algorithm>
#include <chrono>

namespace picture {

void BackgroundLoads::start(const QStringList& paths) {
    for (const QString& path : paths)
        if (!loads_.contains(path))
            loads_.emplace(path, std::async(std::launch::async, [this, path] { return loader_.load(path); }));
}

QImage BackgroundLoads::take(const QString& path) {
    const auto started = loads_.find(path);
    if (started == loads_.end())
        return loader_.load(path);
    std::future<QImage> load = std::move(started->second);
    loads_.erase(started);
    return load.get();
}

bool BackgroundLoads::ended() const {
    return std::all_of(loads_.begin(), loads_.end(), [](const auto& load) {
        return load.second.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
}

} // namespace picture
