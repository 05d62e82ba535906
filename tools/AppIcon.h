#pragma once

#include <QImage>

// The program's icon: two framed photos of one scene, overlapping side by side, at size x size pixels.
QImage drawAppIcon(int size);
