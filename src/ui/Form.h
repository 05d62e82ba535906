#pragma once

#include "ui/Container.h"

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QIcon>
#include <QSize>

#include <cstdint>
#include <functional>
#include <memory>

class QKeyEvent;

namespace ui {

class FormWindow;

// A top-level window of the program. It works in twips as designed until it switches to pixels, keeps one
// pointer setting for itself and all its controls, and with key preview on sees each key press before the
// control that has the focus.
class Form : public Container {
public:
    enum class WindowState { Normal, Minimized, Maximized };
    enum class BorderStyle { FixedSingle, None };
    enum ScaleMode { Twips = 1, Pixels = 3 };
    enum Pointer { Default = 0, Hourglass = 11, Custom = 99 };

    // The client size is given in twips, as the designs store it. The design's font is the window's
    // before any control is made, so that none lays its text out in another font first.
    Form(QString name, float clientWidthTwips, float clientHeightTwips, BorderStyle border,
         const QFont& font = QFont());
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    QWidget* window() const;
    QWidget* clientWidget() const override;
    double unitsPerPixel() const override;
    // Twips in one pixel on the window's screen: 15 at 96 dots per inch.
    double twipsPerPixel() const;

    QString caption() const;
    void setCaption(const QString& caption);
    void setIcon(const QIcon& icon);
    QColor backColor() const;
    void setBackColor(const QColor& color);
    // Frames and labels take the window's face colour when a skin dresses it.
    void setBackColorOfFramesAndLabels(const QColor& color);
    void setFont(const QFont& font);
    void setStyleSheet(const QString& sheet);

    int scaleMode() const { return scaleMode_; }
    void setScaleMode(int mode);
    // The client area in the window's unit.
    float scaleWidth() const;
    float scaleHeight() const;

    WindowState windowState() const;
    void setWindowState(WindowState state);
    bool keyPreview() const { return keyPreview_; }
    void setKeyPreview(bool on);

    int mousePointer() const { return pointer_; }
    void setMousePointer(int pointer);
    void setMouseIcon(const QCursor& cursor);
    bool hasMouseIcon() const { return hasMouseIcon_; }
    Qt::CursorShape shownCursorShape() const;

    // Runs the load handler: the owner calls it once, right after creating the window.
    void load();
    // The first show places the window in the middle of its screen.
    void show();
    // On Wayland a framed window is only counted as hidden: it stays in place under whatever covers it.
    void hide();
    bool isVisible() const;
    // Unload: raises the unload handler, hides the window and tells the owner it may release it.
    void unload();
    // Gives the keyboard focus to the widget of a control.
    void setFocusTo(QWidget* widget);

    std::function<void()> onLoad;
    std::function<void()> onResize;
    std::function<void()> onUnload;
    // Raised when the window manager closes the window; without a handler the window unloads.
    std::function<void()> onClose;
    std::function<void()> onUnloaded;
    std::function<void(int16_t& keyCode, int shift)> onKeyDown;
    std::function<void(int16_t& keyAscii)> onKeyPress;
    std::function<void()> onMouseMove;

private:
    friend class FormWindow;
    void applyPointer();
    void windowStateChanged();
    void windowSizeChanged();
    void settleSoon(int report);
    void settle();
    void previewKey(QKeyEvent& event);

    std::unique_ptr<FormWindow> window_;
    QSize designClientSize_;
    BorderStyle border_;
    int scaleMode_ = Twips;
    bool keyPreview_ = false;
    int pointer_ = Default;
    QCursor mouseIcon_;
    bool hasMouseIcon_ = false;
    bool shownOnce_ = false;
    bool hiddenInPlace_ = false;

    // What the window system has reported since the window last settled, and what the last resize showed.
    struct Settling {
        enum Report { Nothing = 0, State = 1, Size = 2 };
        // Reports waiting for the end of the turn of the event loop; a settle is queued while there are any.
        int reports = Nothing;
        // A state change of a shown window whose new size has not come yet.
        bool sizeOwedToState = false;
        QSize raisedSize;
        WindowState raisedState = WindowState::Normal;
    };
    Settling settling_;
};

} // namespace ui
