#include "PaintMeter.h"

#include <QPaintEvent>
#include <QWidget>

PaintMeter::PaintMeter(QList<QWidget*> widgets) : widgets_(std::move(widgets)), painted_(widgets_.size(), 0) {
    for (QWidget* widget : widgets_)
        widget->installEventFilter(this);
}

void PaintMeter::reset() {
    painted_.fill(0);
}

bool PaintMeter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        const qsizetype index = widgets_.indexOf(static_cast<QWidget*>(watched));
        for (const QRect& rect : static_cast<QPaintEvent*>(event)->region())
            painted_[index] += qint64(rect.width()) * rect.height();
    }
    return false;
}
