#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <future>
#include <map>

namespace picture {

class FormatModules;

// Pictures loaded ahead, each on a thread of its own, so that several decode at once while the caller
// goes on. Unfinished loads are waited for when the set is destroyed.
class BackgroundLoads {
public:
    explicit BackgroundLoads(FormatModules& formats) : formats_(formats) {}

    void start(const QStringList& paths);
    // The picture at path, once its load has ended; a failure comes out here, as PictureLoader::load's
    // own would. A path that was never started is loaded here and now.
    QImage take(const QString& path);

private:
    FormatModules& formats_;
    std::map<QString, std::future<QImage>> loads_;
};

} // namespace picture
