#pragma once

#include "ui/Control.h"

namespace ui {

class Container;

class TextBox : public Control {
public:
    TextBox(Container& container, QString name, const QString& text);

    QString text() const;
};

} // namespace ui
