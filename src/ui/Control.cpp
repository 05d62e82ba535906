#include "ui/Control.h"

#include "ui/Container.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace ui {

Control::Control(Container& container, QWidget* widget, QString name)
    : container_(container), widget_(widget), name_(std::move(name)) {
    widget_->setObjectName(name_);
}

int Control::toPixels(float value) const {
    const double pixels = std::nearbyint(double(value) / container_.unitsPerPixel());
    return int(std::clamp(pixels, -16777215.0, 16777215.0));
}

float Control::fromPixels(int pixels) const {
    return float(pixels * container_.unitsPerPixel());
}

float Control::left() const {
    return fromPixels(widget_->x());
}
float Control::top() const {
    return fromPixels(widget_->y());
}
float Control::width() const {
    return fromPixels(widget_->width());
}
float Control::height() const {
    return fromPixels(widget_->height());
}

void Control::setLeft(float value) {
    widget_->move(toPixels(value), widget_->y());
}
void Control::setTop(float value) {
    widget_->move(widget_->x(), toPixels(value));
}
// A size below zero cannot be placed; it is clamped to an empty control.
void Control::setWidth(float value) {
    widget_->resize(std::max(0, toPixels(value)), widget_->height());
}
void Control::setHeight(float value) {
    widget_->resize(widget_->width(), std::max(0, toPixels(value)));
}

void Control::move(float left, float top, float width, float height) {
    widget_->setGeometry(toPixels(left), toPixels(top), std::max(0, toPixels(width)),
                         std::max(0, toPixels(height)));
}

void Control::setFont(const QFont& font) {
    widget_->setFont(font);
}

bool Control::enabled() const {
    return widget_->isEnabled();
}
void Control::setEnabled(bool enabled) {
    widget_->setEnabled(enabled);
}
bool Control::visible() const {
    return !widget_->isHidden();
}
void Control::setVisible(bool visible) {
    widget_->setVisible(visible);
}

} // namespace ui
