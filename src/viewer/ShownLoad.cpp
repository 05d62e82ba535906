#include "viewer/ShownLoad.h"

#include "pane/PanePreview.h"
#include "picture/BackgroundLoads.h"

QImage loadShown(const picture::PictureLoader& loader, ImagePane& pane, const QString& path) {
    picture::BackgroundLoads load(loader);
    load.startWatched(path, PanePreview::areaOf(pane));
    return takeShown(load, pane, path);
}

QImage takeShown(picture::BackgroundLoads& loads, ImagePane& pane, const QString& path) {
    PanePreview preview(pane);
    return loads.take(path,
                      [&preview](const QImage& seen, const QRegion& final) { preview.show(seen, final); });
}
