#include "ui/Desktop.h"

#include "ui/Application.h"

namespace ui {

MsgResult Desktop::msgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title) {
    return showMessage(text, buttons, icon, title.isEmpty() ? applicationTitle() : title);
}

} // namespace ui
