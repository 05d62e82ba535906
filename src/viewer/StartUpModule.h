#pragma once

#include <QString>

namespace ui {
class Form;
class SkinFramework;
} // namespace ui

// The start-up procedures that the main window's load runs; the application supplies them.
class StartUpModule {
public:
    virtual ~StartUpModule() = default;

    // Dresses the window in the skin beside the program, when there is one.
    virtual void SkinApply(ui::Form& form, ui::SkinFramework& skin) = 0;
    // True when the path's modification time can be read; never fails.
    virtual bool FileExists(const QString& path) = 0;
    // Now and then opens the home page in the user's browser.
    virtual void HomePageVisit() = 0;
    virtual void AppTitleSet() = 0;
};
