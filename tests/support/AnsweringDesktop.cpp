#include "support/AnsweringDesktop.h"

desktop::MsgResult AnsweringDesktop::showMessage(const QString& text, desktop::MsgButtons buttons,
                                                 desktop::MsgIcon, const QString&) {
    shown << text;
    return buttons == desktop::MsgButtons::YesNo ? desktop::MsgResult::Yes : desktop::MsgResult::Ok;
}
