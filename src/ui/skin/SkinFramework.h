#pragma once

#include "ui/skin/StyleSheetCheck.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <utility>

namespace ui {

class Form;

// The skin component. A skin file is a toolkit style sheet; loading one that cannot be read or is not a
// well-formed style sheet fails, and the window then stays undressed. So does one whose url(...) names
// anything but a regular file inside the program folder.
class SkinFramework {
public:
    explicit SkinFramework(QString programFolder = {}) : programFolder_(std::move(programFolder)) {}

    // SkinButtons: the sheet also dresses push buttons. Without it, the selectors whose styled widget is a
    // QPushButton are left out when the window is dressed; every other rule applies as written.
    enum Option : uint32_t { SkinButtons = 1 };

    // The second argument names a section of a multi-skin file; empty for the whole file. Our skin files
    // hold a single skin, so every section is the whole file. A failed load keeps the skin loaded before.
    void loadSkin(const QString& path, const QString& section);
    uint32_t options() const { return options_; }
    void setOptions(uint32_t options) { options_ = options; }
    // Dresses the window in the loaded skin, as the options allow.
    void applyWindow(Form& form);

    const QString& sheet() const { return sheet_; }

private:
    QString programFolder_;
    QString sheet_;
    QList<StyleRule> rules_;
    uint32_t options_ = 0;
};

} // namespace ui
