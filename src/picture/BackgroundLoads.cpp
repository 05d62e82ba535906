#include "picture/BackgroundLoads.h"

#include "picture/PictureLoader.h"

namespace picture {

void BackgroundLoads::start(const QStringList& paths) {
    for (const QString& path : paths)
        if (!loads_.contains(path))
            loads_.emplace(path, std::async(std::launch::async,
                                            [this, path] { return PictureLoader::load(path, formats_); }));
}

QImage BackgroundLoads::take(const QString& path) {
    const auto started = loads_.find(path);
    if (started == loads_.end())
        return PictureLoader::load(path, formats_);
    std::future<QImage> load = std::move(started->second);
    loads_.erase(started);
    return load.get();
}

} // namespace picture
