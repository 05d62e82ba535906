#pragma once

#include <cstdint>

namespace ui {
class PictureBox;
class ScrollBar;
} // namespace ui

// One picture area of a window: a clipping frame, the auto-sizing inner box that holds the picture, and
// per axis a scroll bar holding the pan position in steps and the number of pixels in one step.
struct ImagePane {
    ui::PictureBox& Frame;
    ui::PictureBox& Inner;
    ui::ScrollBar& HBar;
    ui::ScrollBar& VBar;
    int16_t HScrollUnit = 0;
    int16_t VScrollUnit = 0;
    // The other pane of the same window, whose bars follow this pane's.
    ImagePane* partner = nullptr;
};

// Places the picture at the frame's top-left corner and sets each axis's range and step from how far the
// picture passes the frame: not at all (axis off), by up to 100 pixels (1-pixel steps), or more
// (10-pixel steps). Runs after a picture was placed in the pane or after the frame changed size.
void PaneFit(ImagePane& pane);
