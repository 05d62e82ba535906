#include "pane/ImagePane.h"

#include "desktop/Failures.h"
#include "desktop/PanReach.h"
#include "ui/Int16.h"
#include "ui/PictureBox.h"
#include "ui/ScrollBar.h"

namespace {

// A picture passing its frame by more than a bar reaches cannot be panned to its end, so it is refused
// rather than shown with a range that stops short.
constexpr float largestExcess = float(desktop::panReach);

// Returns false when the picture passes the frame by more than the bars can hold.
bool fitAxis(float pictureSize, float frameSize, ui::ScrollBar& bar, int16_t& unit) {
    if (pictureSize <= frameSize) {
        bar.setEnabled(false);
        unit = 0;
        return true;
    }
    const float excess = pictureSize - frameSize;
    if (excess > largestExcess) {
        bar.setEnabled(false);
        unit = 0;
        return false;
    }
    bar.setEnabled(true);
    if (excess <= 100.0f) {
        bar.setMax(ui::toInt16(excess));
        unit = 1;
    } else {
        bar.setMax(ui::toInt16(excess / 10.0f));
        unit = 10;
    }
    bar.setValue(0);
    return true;
}

} // namespace

void PaneFit(ImagePane& pane) {
    pane.Inner.setTop(0);
    pane.Inner.setLeft(0);
    const bool across = fitAxis(pane.Inner.width(), pane.Frame.width(), pane.HBar, pane.HScrollUnit);
    const bool down = fitAxis(pane.Inner.height(), pane.Frame.height(), pane.VBar, pane.VScrollUnit);
    if (!across || !down)
        desktop::pictureTooLargeToPan(qint64(largestExcess));
}
