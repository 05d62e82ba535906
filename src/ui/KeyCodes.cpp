#include "ui/KeyCodes.h"

#include <QKeyEvent>

namespace ui {

int16_t keyCodeOf(const QKeyEvent& event) {
    const int k = event.key();
    if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9))
        return int16_t(k);
    switch (k) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Escape:
        return key::Escape;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return key::Left;
    case Qt::Key_Up:
        return key::Up;
    case Qt::Key_Right:
        return key::Right;
    case Qt::Key_Down:
        return key::Down;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        break;
    }
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return int16_t(112 + (k - Qt::Key_F1));
    return 0;
}

int shiftStateOf(const QKeyEvent& event) {
    const auto m = event.modifiers();
    return (m & Qt::ShiftModifier ? shift::Shift : 0) | (m & Qt::ControlModifier ? shift::Ctrl : 0) |
           (m & Qt::AltModifier ? shift::Alt : 0);
}

int16_t keyAsciiOf(const QKeyEvent& event) {
    if (event.key() == Qt::Key_Escape)
        return key::Escape;
    const QString text = event.text();
    if (text.size() != 1)
        return 0;
    const char16_t c = text.at(0).unicode();
    return c < 0x8000 ? int16_t(c) : 0;
}

} // namespace ui
