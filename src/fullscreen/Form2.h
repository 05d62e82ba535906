#pragma once

#include "pane/ImagePane.h"
#include "pane/PaneHandlers.h"
#include "ui/Form.h"
#include "ui/Label.h"
#include "ui/PictureBox.h"
#include "ui/ScrollBar.h"

#include <functional>

namespace desktop {
class Desktop;
}

// The full-screen window: both pictures side by side over the whole screen, on black, until Esc.
// It reads no files; the main window hands it the two pictures before showing it.
class Form2 : public ui::Form {
public:
    // bringBackMainWindow restores and shows the main window when the user leaves full screen.
    Form2(desktop::Desktop& desktop, std::function<void()> bringBackMainWindow);

    ui::Label Label1;
    ui::PictureBox Picture2;
    ui::PictureBox Picture1;
    ui::ScrollBar VScroll1;
    ui::ScrollBar HScroll1;
    ui::PictureBox Picture3;
    ui::PictureBox Picture4;
    ui::ScrollBar VScroll2;
    ui::ScrollBar HScroll2;

    ImagePane pane1{Picture2, Picture1, HScroll1, VScroll1};
    ImagePane pane2{Picture3, Picture4, HScroll2, VScroll2};
    PaneHandlers handlers{pane1, pane2};

    void Form_Load();
    void Form_Resize();
    void Form_KeyPress(int16_t& KeyAscii);

private:
    void leaveFullScreen();

    desktop::Desktop& desktop_;
    std::function<void()> bringBackMainWindow_;
};
