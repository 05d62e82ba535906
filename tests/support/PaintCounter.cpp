#include "support/PaintCounter.h"

#include <QPaintEvent>
#include <QWidget>

PaintCounter::PaintCounter(QList<QWidget*> widgets)
    : widgets_(std::move(widgets)), painted_(widgets_.size(), 0) {
    for (QWidget* widget : widgets_)
        widget->installEventFilter(this);
}

void PaintCounter::reset() {
    painted_.fill(0);
}

bool PaintCounter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        const qsizetype index = widgets_.indexOf(static_cast<QWidget*>(watched));
        for (const QRect& rect : static_cast<QPaintEvent*>(event)->region())
            painted_[index] += qint64(rect.width()) * rect.height();
    }
    return false;
}
