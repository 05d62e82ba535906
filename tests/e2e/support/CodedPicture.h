#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

// Test pictures in which one pixel tells where it came from: pixel (x, y) has red = x mod 256,
// green = y mod 256 and blue = (x >> 8) * 16 + (y >> 8), with blue's top bit set in picture 2. So a single
// pixel read off the screen gives the picture and the exact pan offset.
namespace coded {

// Picture 1 or 2, narrower than 2048 pixels.
QImage picture(int number, QSize size);

// What a picture area of the screen shows: "empty" when it is all white, "picture N from (x,y)" when it
// shows coded picture N, unscaled, with pixel (x, y) at its top-left corner, "something else" otherwise.
// The two pixels read lie at probe and probe + (100, 150) inside the area.
QString read(const QImage& screen, QRect area, QPoint probe = {5, 5});

// The reading of an area that shows picture N with its pixel (x, y) at the top-left corner.
QString shows(int picture, int x, int y);
// The reading of a window's two panes together, as one line that a failed comparison shows whole.
QString panes(const QString& pane1, const QString& pane2);

} // namespace coded
