#pragma once

#include "desktop/Desktop.h"

namespace desktop {

// The real desktop: Qt's message box and file dialog, and the desktop's opener for addresses and folders.
class QtDesktop : public Desktop {
public:
    QtDesktop();

    QString showOpen(const QString& title, const QString& filter) override;
    void openUrl(const QString& url) override;
    void openFolder(const QString& path) override;

    // "label|*.a;*.b" as the toolkit's dialog wants it: "label (*.a *.b)", in both letter cases.
    static QString toolkitFilter(const QString& filter);
    // CR LF and lone CR become line breaks for display.
    static QString displayText(const QString& text);

protected:
    MsgResult showMessage(const QString& text, MsgButtons buttons, MsgIcon icon,
                          const QString& title) override;
};

} // namespace desktop
