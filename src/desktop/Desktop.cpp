#include "desktop/Desktop.h"

#include "desktop/Application.h"

namespace desktop {

MsgResult Desktop::msgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title) {
    return showMessage(text, buttons, icon, title.isEmpty() ? applicationTitle() : title);
}

} // namespace desktop
