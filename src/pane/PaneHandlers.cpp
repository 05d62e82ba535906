#include "pane/PaneHandlers.h"

#include "pane/ImagePane.h"
#include "ui/KeyCodes.h"
#include "ui/PictureBox.h"
#include "ui/ScrollBar.h"

void PaneScrollChange(ImagePane& pane, Axis axis) {
    const bool across = axis == Axis::Horizontal;
    ui::ScrollBar& bar = across ? pane.HBar : pane.VBar;
    // Offsets are whole pixels in 32 bits: 10-pixel steps reach past 32767 pixels on big pictures.
    const int32_t offset = int32_t(bar.value()) * (across ? pane.HScrollUnit : pane.VScrollUnit);
    if (across)
        pane.Inner.setLeft(float(-offset));
    else
        pane.Inner.setTop(float(-offset));

    if (!pane.partner)
        return;
    ui::ScrollBar& partnerBar = across ? pane.partner->HBar : pane.partner->VBar;
    const int16_t value = bar.value();
    if (value <= partnerBar.max())
        partnerBar.setValue(value);
}

void PaneArrowKey(ImagePane& pane, int16_t& keyCode, int) {
    const bool across = keyCode == ui::key::Left || keyCode == ui::key::Right;
    const bool down = keyCode == ui::key::Up || keyCode == ui::key::Down;
    if (!across && !down)
        return;
    const bool forward = keyCode == ui::key::Right || keyCode == ui::key::Down;
    ui::ScrollBar& bar = across ? pane.HBar : pane.VBar;
    if (forward ? bar.value() < bar.max() : bar.value() > 0) {
        bar.setValue(bar.value() + (forward ? 1 : -1));
        PaneScrollChange(pane, across ? Axis::Horizontal : Axis::Vertical);
    }
}

PaneHandlers::PaneHandlers(ImagePane& pane1, ImagePane& pane2) : pane1_(pane1), pane2_(pane2) {
    pane1_.partner = &pane2_;
    pane2_.partner = &pane1_;
    pane1_.HBar.onChange = [this] { HScroll1_Change(); };
    pane2_.HBar.onChange = [this] { HScroll2_Change(); };
    pane1_.VBar.onChange = [this] { VScroll1_Change(); };
    pane2_.VBar.onChange = [this] { VScroll2_Change(); };
    pane1_.Inner.onKeyDown = [this](int16_t& code, int shift) { Picture1_KeyDown(code, shift); };
    pane2_.Inner.onKeyDown = [this](int16_t& code, int shift) { Picture4_KeyDown(code, shift); };
}

void PaneHandlers::HScroll1_Change() {
    PaneScrollChange(pane1_, Axis::Horizontal);
}
void PaneHandlers::HScroll2_Change() {
    PaneScrollChange(pane2_, Axis::Horizontal);
}
void PaneHandlers::VScroll1_Change() {
    PaneScrollChange(pane1_, Axis::Vertical);
}
void PaneHandlers::VScroll2_Change() {
    PaneScrollChange(pane2_, Axis::Vertical);
}
void PaneHandlers::Picture1_KeyDown(int16_t& KeyCode, int Shift) {
    PaneArrowKey(pane1_, KeyCode, Shift);
}
void PaneHandlers::Picture4_KeyDown(int16_t& KeyCode, int Shift) {
    PaneArrowKey(pane2_, KeyCode, Shift);
}
void PaneHandlers::Form_KeyDown(int16_t& KeyCode, int Shift) {
    PaneArrowKey(pane1_, KeyCode, Shift);
}
