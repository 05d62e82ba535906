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
    // Widens the label when its caption needs more room than designed in the fonts at hand.
    void widenToCaption();

private:
    QLabel* label_;
};

} // namespace ui
