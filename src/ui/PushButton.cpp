#include "ui/PushButton.h"

#include "ui/Container.h"
#include "ui/EventHandler.h"

#include <QMouseEvent>
#include <QPushButton>

namespace ui {

namespace {

class ButtonWidget : public QPushButton {
public:
    ButtonWidget(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
        setMouseTracking(true);
        setAttribute(Qt::WA_NoMousePropagation);
    }
    std::function<void()>* moveHandler = nullptr;

protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        QPushButton::mouseMoveEvent(event);
        if (moveHandler && *moveHandler)
            runEventHandler("mouse move", *moveHandler);
    }
};

} // namespace

PushButton::PushButton(Container& container, QString name, const QString& caption)
    : Control(container, new ButtonWidget(caption, container.clientWidget()), std::move(name)) {
    auto* button = static_cast<ButtonWidget*>(widget());
    button->moveHandler = &onMouseMove;
    QObject::connect(button, &QPushButton::clicked, [this] {
        if (onClick)
            runEventHandler("click", onClick);
    });
}

QString PushButton::caption() const {
    return static_cast<QPushButton*>(widget())->text();
}

void PushButton::click() {
    static_cast<QPushButton*>(widget())->click();
}

} // namespace ui
