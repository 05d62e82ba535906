#include "ui/FormWindow.h"

#include "ui/EventHandler.h"
#include "ui/Form.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace ui {

FormWindow::FormWindow(Form& form, Qt::WindowFlags flags) : QWidget(nullptr, flags), form_(form) {
    setMouseTracking(true);
}

// Key preview: the window sees a key press once, when it first reaches the control that has the focus.
// A key that the control leaves unaccepted travels on to its parents; those later deliveries are not
// previewed again.
bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !form_.keyPreview() || !watched->isWidgetType())
        return false;
    auto* receiver = static_cast<QWidget*>(watched);
    if (receiver->window() != this)
        return false;
    QWidget* focused = focusWidget();
    if (receiver == (focused ? focused : this))
        runEventHandler("key preview", [&] { form_.previewKey(static_cast<QKeyEvent&>(*event)); });
    return false;
}

void FormWindow::resizeEvent(QResizeEvent*) {
    form_.windowSizeChanged();
}

void FormWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange)
        form_.windowStateChanged();
    QWidget::changeEvent(event);
}

void FormWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    runEventHandler("close", [this] {
        if (form_.onClose)
            form_.onClose();
        else
            form_.unload();
    });
}

void FormWindow::mouseMoveEvent(QMouseEvent*) {
    if (form_.onMouseMove)
        runEventHandler("mouse move", form_.onMouseMove);
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    event->ignore();
}

} // namespace ui
