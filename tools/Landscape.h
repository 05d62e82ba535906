#pragma once

#include <QImage>

// The sample scene: a house with a tree by a pond under a summer sky. The changed version moves a cloud,
// paints the door blue, plants a fir tree and lets one bird fly off, so the two are worth comparing.
QImage drawLandscape(bool changed);
