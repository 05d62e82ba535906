#pragma once

#include <cstdint>

struct ImagePane;

enum class Axis { Horizontal, Vertical };

// Moves the pane's picture to its bar's position and carries the bar's value over to the partner pane,
// as far as the partner's range allows. Runs on every change of a pane's bar.
void PaneScrollChange(ImagePane& pane, Axis axis);

// An arrow key steps the pane's bar by one, within 0 and Max; shift keys are ignored, other keys too.
void PaneArrowKey(ImagePane& pane, int16_t& keyCode, int shift);

// The handlers that both windows carry for their two panes. Creating them links the panes and wires the
// bars' changes and the inner boxes' keys; the window sends its own key-down to Form_KeyDown.
class PaneHandlers {
public:
    PaneHandlers(ImagePane& pane1, ImagePane& pane2);

    void HScroll1_Change();
    void HScroll2_Change();
    void VScroll1_Change();
    void VScroll2_Change();
    void Picture1_KeyDown(int16_t& KeyCode, int Shift);
    void Picture4_KeyDown(int16_t& KeyCode, int Shift);
    void Form_KeyDown(int16_t& KeyCode, int Shift);

private:
    ImagePane& pane1_;
    ImagePane& pane2_;
};
