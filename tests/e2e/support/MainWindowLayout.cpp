#include "support/MainWindowLayout.h"

namespace layout {

QRect captionedRect(const QString& caption) {
    for (const Control& control : captioned)
        if (caption == QLatin1String(control.caption))
            return control.rect;
    return {};
}

} // namespace layout
