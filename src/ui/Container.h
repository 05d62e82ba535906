#pragma once

class QWidget;

namespace ui {

// Something that holds controls: a window or a picture box. Its scale says how many of its own
// units make one pixel (15 twips at 96 dpi, or 1 once it works in pixels).
class Container {
public:
    virtual ~Container() = default;

    virtual QWidget* clientWidget() const = 0;
    virtual double unitsPerPixel() const = 0;
};

} // namespace ui
