#pragma once

#include <QImage>
#include <QPoint>

// The pointer shown over a picture that can be dragged: a white hand with a black outline, pointing up.
struct HandPointer {
    QImage image;
    QPoint hotSpot;
};

HandPointer drawHandPointer();
