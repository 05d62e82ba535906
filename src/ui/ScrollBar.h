#pragma once

#include "ui/Control.h"

#include <cstdint>
#include <functional>

class QScrollBar;

namespace ui {

class Container;

// A scroll bar whose Min, Max and Value are 16-bit integers. Change runs synchronously, and only when
// Value really changes: whether set by code, clamped by a new Max, or dragged by the user.
class ScrollBar : public Control {
public:
    enum class Orientation { Horizontal, Vertical };

    ScrollBar(Container& container, QString name, Orientation orientation);

    int16_t min() const { return min_; }
    int16_t max() const { return max_; }
    int16_t value() const { return value_; }
    void setMin(int16_t min);
    void setMax(int16_t max);
    // A value outside Min..Max is refused with "Invalid property value".
    void setValue(int value);
    void setSmallChange(int16_t step);
    void setLargeChange(int16_t step);

    std::function<void()> onChange;

private:
    void changeTo(int16_t value);
    void mirror();

    QScrollBar* bar_;
    int16_t min_ = 0;
    int16_t max_ = 32767;
    int16_t value_ = 0;
};

} // namespace ui
