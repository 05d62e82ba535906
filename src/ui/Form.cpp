#include "ui/Form.h"

#include "ui/EventHandler.h"
#include "ui/FormWindow.h"
#include "ui/KeyCodes.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <cmath>
#include <utility>

namespace ui {

namespace {

Qt::WindowFlags flagsFor(Form::BorderStyle border) {
    if (border == Form::BorderStyle::None)
        return Qt::Window | Qt::FramelessWindowHint;
    // A fixed single border: title bar, system menu, close box and a maximise box (no minimise box).
    return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;
}

bool onWayland() {
    return QGuiApplication::platformName() == QLatin1String("wayland");
}

double screenTwipsPerPixel(const QScreen* screen) {
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

} // namespace

Form::Form(QString name, float clientWidthTwips, float clientHeightTwips, BorderStyle border,
           const QFont& font)
    : window_(std::make_unique<FormWindow>(*this, flagsFor(border))), border_(border) {
    window_->setObjectName(name);
    if (font.resolveMask() != 0)
        window_->setFont(font);
    window_->setAttribute(Qt::WA_QuitOnClose, false);
    const double tpp = screenTwipsPerPixel(QGuiApplication::primaryScreen());
    designClientSize_ =
        QSize(int(std::lround(clientWidthTwips / tpp)), int(std::lround(clientHeightTwips / tpp)));
    window_->resize(designClientSize_);
    if (border == BorderStyle::FixedSingle && onWayland()) {
        // Wayland lets no window spring back from a resize, so the fixed size is announced instead, and the
        // compositor offers none.
        window_->setMinimumSize(designClientSize_);
        window_->setMaximumSize(designClientSize_);
    }
    window_->setAutoFillBackground(true);
    qApp->installEventFilter(window_.get());
}

Form::~Form() {
    qApp->removeEventFilter(window_.get());
}

QWidget* Form::window() const {
    return window_.get();
}
QWidget* Form::clientWidget() const {
    return window_.get();
}

double Form::twipsPerPixel() const {
    return screenTwipsPerPixel(window_->screen());
}
double Form::unitsPerPixel() const {
    return scaleMode_ == Pixels ? 1.0 : twipsPerPixel();
}

QString Form::caption() const {
    return window_->windowTitle();
}
void Form::setCaption(const QString& caption) {
    window_->setWindowTitle(caption);
}
void Form::setIcon(const QIcon& icon) {
    window_->setWindowIcon(icon);
}

QColor Form::backColor() const {
    return window_->palette().color(QPalette::Window);
}

void Form::setBackColor(const QColor& color) {
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, color);
    window_->setPalette(palette);
}

void Form::setBackColorOfFramesAndLabels(const QColor& color) {
    for (QWidget* child : window_->findChildren<QWidget*>()) {
        if (qobject_cast<QLabel*>(child) || qobject_cast<QGroupBox*>(child) ||
            qobject_cast<QCheckBox*>(child) || qobject_cast<QRadioButton*>(child)) {
            QPalette palette = child->palette();
            palette.setColor(QPalette::Window, color);
            child->setPalette(palette);
        }
    }
}

void Form::setFont(const QFont& font) {
    if (font.resolveMask() != 0)
        window_->setFont(font);
}
void Form::setStyleSheet(const QString& sheet) {
    window_->setStyleSheet(sheet);
}

void Form::setScaleMode(int mode) {
    scaleMode_ = mode == Pixels ? Pixels : Twips;
}

float Form::scaleWidth() const {
    return float(window_->width() * unitsPerPixel());
}
float Form::scaleHeight() const {
    return float(window_->height() * unitsPerPixel());
}

Form::WindowState Form::windowState() const {
    const Qt::WindowStates state = window_->windowState();
    if (state & Qt::WindowMinimized)
        return WindowState::Minimized;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return WindowState::Maximized;
    return WindowState::Normal;
}

void Form::setWindowState(WindowState state) {
    switch (state) {
    case WindowState::Normal:
        window_->setWindowState(Qt::WindowNoState);
        break;
    case WindowState::Minimized:
        window_->setWindowState(Qt::WindowMinimized);
        break;
    case WindowState::Maximized:
        // A maximised window without a border covers the whole screen, task bar included.
        window_->setWindowState(border_ == BorderStyle::None ? Qt::WindowFullScreen : Qt::WindowMaximized);
        break;
    }
}

void Form::setKeyPreview(bool on) {
    keyPreview_ = on;
}

void Form::setMousePointer(int pointer) {
    pointer_ = pointer;
    applyPointer();
    if (pointer == Hourglass) {
        // A pointer change reaches the display only when the event loop runs; a long load that follows
        // would otherwise leave the old pointer on screen.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QGuiApplication::sync();
    }
}

void Form::setMouseIcon(const QCursor& cursor) {
    mouseIcon_ = cursor;
    hasMouseIcon_ = true;
    applyPointer();
}

Qt::CursorShape Form::shownCursorShape() const {
    return window_->cursor().shape();
}

void Form::applyPointer() {
    QCursor cursor(Qt::ArrowCursor);
    if (pointer_ == Hourglass)
        cursor = QCursor(Qt::WaitCursor);
    else if (pointer_ == Custom && hasMouseIcon_)
        cursor = mouseIcon_;
    // One setting governs the window and every control on it.
    window_->setCursor(cursor);
    for (QWidget* child : window_->findChildren<QWidget*>())
        if (!child->isWindow())
            child->setCursor(cursor);
}

void Form::load() {
    if (onLoad)
        onLoad();
}

void Form::show() {
    // Placing a window takes it out of the full-screen or maximised state it should open in, so only a
    // window opening in the normal state is centred.
    if (!shownOnce_ && windowState() == WindowState::Normal) {
        shownOnce_ = true;
        QScreen* screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            // The frame's size is known only once the window is on screen, so the client area is centred.
            QRect placed(QPoint(), window_->size());
            placed.moveCenter(screen->availableGeometry().center());
            window_->setGeometry(placed);
        }
    }
    if (std::exchange(hiddenInPlace_, false)) {
        window_->raise();
        window_->activateWindow();
    }
    // A state set while hidden (a full-screen window made just before it shows) is settled before the
    // window maps, as if it had waited hidden for a turn: the size the window system then gives the shown
    // window raises a resize of its own instead of being taken for the size that state owed.
    if (!window_->isVisible() && settling_.reports != Settling::Nothing)
        runEventHandler("resize", [this] { settle(); });
    window_->show();
}

// On Wayland a window that is hidden is made anew when shown, wherever the compositor likes, and the
// program may not put it back. A framed window therefore stays where it is while hidden, under the window
// that took its place, and counts as hidden.
void Form::hide() {
    if (border_ == BorderStyle::FixedSingle && onWayland() && window_->isVisible()) {
        hiddenInPlace_ = true;
        return;
    }
    window_->hide();
}
bool Form::isVisible() const {
    return window_->isVisible() && !hiddenInPlace_;
}

void Form::unload() {
    if (onUnload)
        onUnload();
    hiddenInPlace_ = false;
    window_->hide();
    if (onUnloaded)
        onUnloaded();
}

void Form::setFocusTo(QWidget* widget) {
    widget->setFocus(Qt::OtherFocusReason);
}

void Form::windowStateChanged() {
    settleSoon(Settling::State);
}

void Form::windowSizeChanged() {
    settleSoon(Settling::Size);
}

// The window system reports a maximise as a change of state and a change of size, in separate events that
// may come in one turn of the event loop or in several. Those of one turn are taken together.
void Form::settleSoon(int report) {
    const bool queued = std::exchange(settling_.reports, settling_.reports | report) != Settling::Nothing;
    if (queued)
        return;
    QTimer::singleShot(0, window_.get(), [this] { runEventHandler("resize", [this] { settle(); }); });
}

// One resize per change of state; a size change raises one only when it is not the size that a state
// change of a shown window brought, and a fixed border in the normal state keeps the designed size.
void Form::settle() {
    const int reports = std::exchange(settling_.reports, Settling::Nothing);
    const bool stateChanged = reports & Settling::State;
    const bool sizeChanged = reports & Settling::Size;
    const WindowState state = windowState();
    const bool fixedSize = border_ == BorderStyle::FixedSingle && state == WindowState::Normal;
    if (fixedSize && window_->isVisible() && window_->size() != designClientSize_) {
        // A drag on the edges springs back.
        window_->resize(designClientSize_);
    }
    bool raise = false;
    if (stateChanged && state != settling_.raisedState) {
        raise = true;
        settling_.sizeOwedToState = window_->isVisible() && !sizeChanged;
    } else if (sizeChanged) {
        const bool owed = std::exchange(settling_.sizeOwedToState, false);
        raise = !owed && !fixedSize && window_->size() != settling_.raisedSize;
    }
    if (!raise)
        return;
    settling_.raisedSize = window_->size();
    settling_.raisedState = state;
    if (onResize)
        onResize();
}

void Form::previewKey(QKeyEvent& event) {
    if (onKeyDown) {
        int16_t code = keyCodeOf(event);
        onKeyDown(code, shiftStateOf(event));
    }
    if (onKeyPress) {
        int16_t ascii = keyAsciiOf(event);
        if (ascii != 0)
            onKeyPress(ascii);
    }
}

} // namespace ui
