#include "support/PaneRig.h"

#include "support/Pictures.h"

namespace {
ui::PictureBox::Design frame() {
    return {.border = true, .background = Qt::white, .autoSize = false};
}
ui::PictureBox::Design inner() {
    return {.border = false, .background = Qt::white, .autoSize = true};
}
} // namespace

PaneRig::PaneRig(int frameWidth, int frameHeight)
    : form(QStringLiteral("Rig"), 15 * 800, 15 * 600, ui::Form::BorderStyle::FixedSingle),
      frame1(form, QStringLiteral("frame1"), frame()), inner1(frame1, QStringLiteral("inner1"), inner()),
      frame2(form, QStringLiteral("frame2"), frame()), inner2(frame2, QStringLiteral("inner2"), inner()),
      hbar1(form, QStringLiteral("hbar1"), ui::ScrollBar::Orientation::Horizontal),
      vbar1(form, QStringLiteral("vbar1"), ui::ScrollBar::Orientation::Vertical),
      hbar2(form, QStringLiteral("hbar2"), ui::ScrollBar::Orientation::Horizontal),
      vbar2(form, QStringLiteral("vbar2"), ui::ScrollBar::Orientation::Vertical) {
    form.setScaleMode(ui::Form::Pixels);
    frame1.move(0, 0, float(frameWidth), float(frameHeight));
    frame2.move(float(frameWidth), 0, float(frameWidth), float(frameHeight));
}

void PaneRig::show(ImagePane& pane, int width, int height) {
    pane.Inner.setPicture(pictures::plain(width, height, qRgb(10, 20, 30)));
    PaneFit(pane);
}
