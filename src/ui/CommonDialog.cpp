#include "ui/CommonDialog.h"

#include "desktop/Desktop.h"

namespace ui {

void CommonDialog::showOpen() {
    fileName_ = desktop_.showOpen(title_, filter_);
}

} // namespace ui
