#pragma once

#include "ui/Control.h"

#include <QColor>

class QLabel;

namespace ui {

class Container;

class Label : public Control {
public:
    Label(Container& container, QString name, const QString& caption);

    QString caption() const;
    QColor backColor() const;
    void setBackColor(const QColor& color);
    void setForeColor(const QColor& color);

private:
    QLabel* label_;
};

} // namespace ui
