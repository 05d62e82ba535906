#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>

// The bytes of a cursor file holding one 32-bit picture with its AND mask.
QByteArray cursorFileBytes(const QImage& image, QPoint hotSpot);
