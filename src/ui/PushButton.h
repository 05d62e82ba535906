#pragma once

#include "ui/Control.h"

#include <functional>

namespace ui {

class Container;

// A push button that shows its caption and raises Click and MouseMove.
class PushButton : public Control {
public:
    PushButton(Container& container, QString name, const QString& caption);

    QString caption() const;
    // Clicks the button as the user would.
    void click();

    std::function<void()> onClick;
    std::function<void()> onMouseMove;
};

} // namespace ui
