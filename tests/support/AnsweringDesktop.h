#pragma once

#include "desktop/QtDesktop.h"

#include <QStringList>

// The real desktop layer, answering its message boxes with the default button instead of showing them:
// Yes to a question, OK to the rest. The texts it was shown are kept.
class AnsweringDesktop : public desktop::QtDesktop {
public:
    QStringList shown;

protected:
    desktop::MsgResult showMessage(const QString& text, desktop::MsgButtons buttons, desktop::MsgIcon,
                                   const QString& title) override;
};
