#pragma once

#include <QImage>
#include <QString>

struct ImagePane;

namespace picture {
class BackgroundLoads;
class PictureLoader;
} // namespace picture

// Loads a picture for a pane on a thread of its own while the pane shows its parts as they become final;
// the caller waits for it as for any load, and the window handles no events meanwhile. A failure comes
// out here, the pane showing again what it showed before.
QImage loadShown(const picture::PictureLoader& loader, ImagePane& pane, const QString& path);
// The same for a load already started, watched over the pane's area (PanePreview::areaOf).
QImage takeShown(picture::BackgroundLoads& loads, ImagePane& pane, const QString& path);
