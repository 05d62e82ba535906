#pragma once

#include <QRect>
#include <QString>

#include <array>

// Where the main window's controls are, in client pixels at 96 dots per inch.
namespace layout {

struct Control {
    const char* caption;
    QRect rect;
};

inline constexpr QSize clientSize(536, 479);
inline constexpr std::array<QRect, 2> frames{QRect(8, 35, 255, 299), QRect(272, 35, 256, 297)};
inline constexpr std::array<Control, 9> captioned{{
    {"Image File #1", QRect(8, 8, 256, 19)},
    {"Image File #2", QRect(272, 8, 256, 17)},
    {"Open File 1", QRect(8, 341, 256, 27)},
    {"Open File 2", QRect(272, 341, 256, 27)},
    {"Clear File 1", QRect(8, 375, 256, 27)},
    {"Clear File 2", QRect(272, 375, 256, 27)},
    {"Load Sample/Example Files", QRect(8, 409, 256, 27)},
    {"Show Full Screen", QRect(272, 409, 256, 27)},
    {"Help", QRect(8, 444, 520, 27)},
}};

// The picture area inside a pane's 1-pixel border; pane is 1 or 2.
constexpr QRect pictureArea(int pane) {
    return frames[pane - 1].adjusted(1, 1, -1, -1);
}

QRect captionedRect(const QString& caption);

} // namespace layout
