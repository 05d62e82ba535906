#include "ui/ScrollBar.h"

#include "desktop/Failures.h"
#include "ui/CachedScrollBar.h"
#include "ui/Container.h"
#include "ui/EventHandler.h"

#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

namespace ui {

namespace {

QScrollBar* makeBar(Container& container, ScrollBar::Orientation orientation) {
    auto* bar =
        new CachedScrollBar(orientation == ScrollBar::Orientation::Horizontal ? Qt::Horizontal : Qt::Vertical,
                            container.clientWidget());
    // The bars hold the pan state; the keys reach the panes through the window, never through a bar.
    bar->setFocusPolicy(Qt::NoFocus);
    bar->setAttribute(Qt::WA_NoMousePropagation);
    return bar;
}

} // namespace

ScrollBar::ScrollBar(Container& container, QString name, Orientation orientation)
    : Control(container, makeBar(container, orientation), std::move(name)),
      bar_(static_cast<QScrollBar*>(widget())) {
    bar_->setSingleStep(1);
    bar_->setPageStep(1);
    mirror();
    // The user dragging or clicking the bar changes Value like code does.
    QObject::connect(bar_, &QScrollBar::valueChanged,
                     [this](int v) { runEventHandler("scroll", [&] { changeTo(int16_t(v)); }); });
}

void ScrollBar::mirror() {
    const QSignalBlocker blocker(bar_);
    bar_->setRange(min_, std::max(min_, max_));
    bar_->setValue(value_);
}

void ScrollBar::changeTo(int16_t value) {
    if (value == value_)
        return;
    value_ = value;
    mirror();
    if (onChange)
        onChange();
}

void ScrollBar::setMin(int16_t min) {
    min_ = min;
    mirror();
    if (value_ < min_)
        changeTo(min_);
}

void ScrollBar::setMax(int16_t max) {
    max_ = max;
    mirror();
    if (value_ > max_ && max_ >= min_)
        changeTo(max_);
}

void ScrollBar::setValue(int value) {
    if (value < min_ || value > std::max(min_, max_))
        desktop::invalidPropertyValue();
    changeTo(int16_t(value));
}

void ScrollBar::setSmallChange(int16_t step) {
    bar_->setSingleStep(step);
}
void ScrollBar::setLargeChange(int16_t step) {
    bar_->setPageStep(step);
}

} // namespace ui
