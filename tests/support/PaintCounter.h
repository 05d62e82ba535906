#pragma once

#include <QList>
#include <QObject>

class QWidget;

// Counts the pixels each watched widget is asked to paint, from the regions of its paint events.
class PaintCounter : public QObject {
    Q_OBJECT
public:
    explicit PaintCounter(QList<QWidget*> widgets);

    qint64 painted(qsizetype index) const { return painted_[index]; }
    void reset();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QWidget*> widgets_;
    QList<qint64> painted_;
};
