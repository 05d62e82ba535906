#pragma once

#include <QString>

namespace desktop {

enum class MsgButtons { OkOnly = 0, YesNo = 4 };
enum class MsgIcon { None = 0, Exclamation = 48 };
enum class MsgResult { Ok = 1, Yes = 6, No = 7 };

// What the program asks of the desktop: modal message boxes and the file-open dialog, and handing a web
// address or a folder to the user's browser or file manager. Tests script a fake; the real one is Qt's.
class Desktop {
public:
    virtual ~Desktop() = default;

    // A message box; without a title of its own it takes the application title. The text keeps its exact
    // characters: CR LF and a lone CR each show as one line break.
    MsgResult msgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title = {});

    // The modal file-open dialog; the chosen path, or an empty text when the user cancelled.
    // The filter comes as "label|patterns", patterns separated by semicolons.
    virtual QString showOpen(const QString& title, const QString& filter) = 0;
    // Both hand their text to the opener as one argument; no shell ever reads it.
    virtual void openUrl(const QString& url) = 0;
    virtual void openFolder(const QString& path) = 0;

protected:
    virtual MsgResult showMessage(const QString& text, MsgButtons buttons, MsgIcon icon,
                                  const QString& title) = 0;
};

} // namespace desktop
