#include "ui/CommonDialog.h"

#include "desktop/Desktop.h"

#include <utility>

namespace ui {

void CommonDialog::showOpen() {
    if (nextAnswer_) {
        fileName_ = *std::exchange(nextAnswer_, std::nullopt);
        return;
    }
    fileName_ = desktop_.showOpen(title_, filter_);
}

} // namespace ui
