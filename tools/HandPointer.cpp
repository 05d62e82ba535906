#include "HandPointer.h"

#include <array>

namespace {

// Drawn pixel by pixel so that it stays crisp at the size pointers are shown: X outline, o fill.
constexpr std::array<const char*, 22> handRows = {
    ".....XX...........", //
    "....XooX..........", //
    "....XooX..........", //
    "....XooX..........", //
    "....XooX..........", //
    "....XooXXX........", //
    "....XooXooXXX.....", //
    "....XooXooXooXX...", //
    "....XooXooXooXoX..", //
    "XX..XooXooXooXooX.", //
    "XooXXooooooooXooX.", //
    "XoooXoooooooooooX.", //
    ".XooXoooooooooooX.", //
    "..XoXoooooooooooX.", //
    "..XooooooooooooX..", //
    "...XoooooooooooX..", //
    "...XooooooooooX...", //
    "....XoooooooooX...", //
    "....XooooooooX....", //
    ".....XooooooX.....", //
    ".....XooooooX.....", //
    ".....XXXXXXXX.....", //
};

constexpr int side = 32;

} // namespace

HandPointer drawHandPointer() {
    HandPointer hand{QImage(side, side, QImage::Format_ARGB32), QPoint(5, 0)};
    hand.image.fill(Qt::transparent);
    for (int y = 0; y < int(handRows.size()); ++y) {
        for (int x = 0; handRows[y][x] != '\0'; ++x) {
            if (handRows[y][x] == 'X')
                hand.image.setPixel(x, y, qRgb(0, 0, 0));
            else if (handRows[y][x] == 'o')
                hand.image.setPixel(x, y, qRgb(255, 255, 255));
        }
    }
    return hand;
}
