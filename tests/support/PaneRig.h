#pragma once

#include "pane/ImagePane.h"
#include "pane/PaneHandlers.h"
#include "ui/Form.h"
#include "ui/PictureBox.h"
#include "ui/ScrollBar.h"

// Two linked panes on a bare window in pixels, with frames of a chosen outer size.
class PaneRig {
public:
    PaneRig(int frameWidth, int frameHeight);

    ui::Form form;
    ui::PictureBox frame1;
    ui::PictureBox inner1;
    ui::PictureBox frame2;
    ui::PictureBox inner2;
    ui::ScrollBar hbar1;
    ui::ScrollBar vbar1;
    ui::ScrollBar hbar2;
    ui::ScrollBar vbar2;
    ImagePane pane1{frame1, inner1, hbar1, vbar1};
    ImagePane pane2{frame2, inner2, hbar2, vbar2};
    PaneHandlers handlers{pane1, pane2};

    // Places a picture of the given size in a pane and fits it.
    void show(ImagePane& pane, int width, int height);
};
