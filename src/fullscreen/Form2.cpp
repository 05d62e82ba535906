#include "fullscreen/Form2.h"

#include "desktop/Application.h"
#include "ui/Appearance.h"
#include "ui/ErrorGuard.h"
#include "ui/KeyCodes.h"

#include <QWidget>

namespace {

ui::PictureBox::Design frameDesign() {
    return {.border = true, .background = Qt::black, .autoSize = false};
}
ui::PictureBox::Design innerDesign() {
    return {.border = false, .background = QPalette().color(QPalette::Base), .autoSize = true};
}

} // namespace

Form2::Form2(desktop::Desktop& desktop, std::function<void()> bringBackMainWindow)
    : ui::Form(QStringLiteral("Form2"), 6870, 5010, BorderStyle::None,
               QFont(QStringLiteral("Arial"), 9, QFont::Bold)),
      Label1(*this, QStringLiteral("Label1"), QStringLiteral("ESC To Exit")),
      Picture2(*this, QStringLiteral("Picture2"), frameDesign()),
      Picture1(Picture2, QStringLiteral("Picture1"), innerDesign()),
      VScroll1(*this, QStringLiteral("VScroll1"), ui::ScrollBar::Orientation::Vertical),
      HScroll1(*this, QStringLiteral("HScroll1"), ui::ScrollBar::Orientation::Horizontal),
      Picture3(*this, QStringLiteral("Picture3"), frameDesign()),
      Picture4(Picture3, QStringLiteral("Picture4"), innerDesign()),
      VScroll2(*this, QStringLiteral("VScroll2"), ui::ScrollBar::Orientation::Vertical),
      HScroll2(*this, QStringLiteral("HScroll2"), ui::ScrollBar::Orientation::Horizontal), desktop_(desktop),
      bringBackMainWindow_(std::move(bringBackMainWindow)) {
    setCaption(QStringLiteral("Form2"));
    setBackColor(Qt::black);
    Label1.move(120, 120, 960, 225);
    Label1.setBackColor(Qt::black);
    Label1.setForeColor(QColor(0, 255, 0));
    Label1.widenToCaption();
    Picture2.move(120, 600, 2760, 2790);
    Picture1.move(0, 0, 2340, 3435);
    VScroll1.move(2880, 600, 255, 2790);
    HScroll1.move(120, 3390, 2760, 255);
    Picture3.move(3360, 600, 2760, 2790);
    Picture4.move(0, 0, 2340, 3435);
    VScroll2.move(6120, 600, 255, 2790);
    HScroll2.move(3360, 3390, 2760, 255);
    for (ui::ScrollBar* bar : {&VScroll1, &HScroll1, &VScroll2, &HScroll2}) {
        bar->setSmallChange(1);
        bar->setLargeChange(1);
    }
    QWidget::setTabOrder(Picture2.widget(), Picture1.widget());
    QWidget::setTabOrder(Picture1.widget(), Picture3.widget());
    QWidget::setTabOrder(Picture3.widget(), Picture4.widget());
    // The pane frames overlap by a few pixels; pane 1's frame and its bar stay on top.
    Picture2.widget()->raise();
    VScroll1.widget()->raise();
    setFocusTo(Picture2.widget());
    setKeyPreview(true);
    setWindowState(WindowState::Maximized);

    onLoad = [this] { Form_Load(); };
    onResize = [this] { Form_Resize(); };
    onKeyDown = [this](int16_t& code, int shift) { handlers.Form_KeyDown(code, shift); };
    onKeyPress = [this](int16_t& ascii) { Form_KeyPress(ascii); };
    // Closed by the window manager rather than Esc: the main window must come back all the same.
    onClose = [this] { leaveFullScreen(); };
}

void Form2::Form_Load() {
    ui::ErrorGuard guard(desktop_, QStringLiteral("in Brackwater2021/08/31.Form2.Form_Load "));
    guard.step(100, [&] { setIcon(ui::applicationIcon()); });
    guard.step(102, [&] { setScaleMode(Pixels); });
}

void Form2::Form_Resize() {
    const float W = scaleWidth();
    const float H = scaleHeight();
    const float L = Label1.height();
    Picture2.setWidth(W / 2);
    Picture3.setWidth(Picture2.width());
    Picture3.setLeft(Picture2.width());
    Picture2.setHeight(H - L);
    Picture3.setHeight(Picture2.height());
    VScroll1.setLeft(Picture2.left() + Picture2.width());
    VScroll2.setLeft(Picture3.left() + Picture3.width());
    VScroll1.setHeight(Picture2.height());
    VScroll2.setHeight(Picture3.height());
    HScroll1.setTop(Picture2.top() + Picture2.height());
    HScroll2.setTop(Picture3.top() + Picture3.height());
    HScroll1.setLeft(Picture2.left());
    HScroll2.setLeft(Picture3.left());
    HScroll1.setWidth(Picture2.width());
    HScroll2.setWidth(Picture3.width());
    PaneFit(pane1);
    PaneFit(pane2);
}

void Form2::Form_KeyPress(int16_t& KeyAscii) {
    if (KeyAscii == ui::key::Escape)
        leaveFullScreen();
}

void Form2::leaveFullScreen() {
    bringBackMainWindow_();
    unload();
}
