#pragma once

#include <QString>

class QFont;

class QWidget;

namespace ui {

class Container;

// The common part of every control: position and size in the container's unit, stored by the platform in
// whole pixels (a value is rounded when placed and read back as placed), visibility and enabled flag.
class Control {
public:
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    QWidget* widget() const { return widget_; }
    const QString& name() const { return name_; }

    float left() const;
    float top() const;
    float width() const;
    float height() const;
    void setLeft(float value);
    void setTop(float value);
    void setWidth(float value);
    void setHeight(float value);
    // Places the control all at once, as the designs give it.
    void move(float left, float top, float width, float height);

    void setFont(const QFont& font);

    bool enabled() const;
    void setEnabled(bool enabled);
    bool visible() const;
    void setVisible(bool visible);

protected:
    Control(Container& container, QWidget* widget, QString name);

private:
    int toPixels(float value) const;
    float fromPixels(int pixels) const;

    Container& container_;
    QWidget* widget_;
    QString name_;
};

} // namespace ui
