#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <future>
#include <map>

namespace picture {

class PictureLoader;

// Pictures loaded ahead, each on a thread of its own, so that several decode at once while the caller
// goes on. Unfinished loads are waited for when the set is destroyed.
class BackgroundLoads {
public:
    explicit BackgroundLoads(const PictureLoader& loader) : loader_(loader) {}

    void start(const QStringList& paths);
    // The picture at path, once its load has ended; a failure comes out here, as the loader's own
    // would. A path that was never started is loaded here and now.
    QImage take(const QString& path);
    // Whether every load started and not yet taken has ended, without waiting for any.
    bool ended() const;

private:
    const PictureLoader& loader_;
    std::map<QString, std::future<QImage>> loads_;
};

} // namespace picture
