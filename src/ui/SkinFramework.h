#pragma once

#include <QString>

#include <cstdint>

namespace ui {

class Form;

// The skin component. A skin file is a toolkit style sheet; loading one that cannot be read or is not a
// well-formed style sheet fails, and the window then stays undressed.
class SkinFramework {
public:
    enum Option : uint32_t { SkinButtons = 1 };

    // The second argument names a section of a multi-skin file; empty for the whole file.
    void loadSkin(const QString& path, const QString& section);
    uint32_t options() const { return options_; }
    void setOptions(uint32_t options) { options_ = options; }
    void setApplyToDialogs(bool on) { applyToDialogs_ = on; }
    void setApplyToChildren(bool on) { applyToChildren_ = on; }
    // Dresses the window in the loaded skin.
    void applyWindow(Form& form);

    const QString& sheet() const { return sheet_; }

private:
    QString sheet_;
    uint32_t options_ = 0;
    bool applyToDialogs_ = false;
    bool applyToChildren_ = false;
};

} // namespace ui
