#pragma once

#include <QObject>

class QWidget;

// Start-up timing for benchmarks: when KESTRELLE_EXIT_AFTER_FIRST_FRAME is set, the program prints the
// steady clock's reading in nanoseconds ("first-frame <ns>") once its main window has drawn its first
// frame, and ends. Unset, nothing is watched.
class FirstFrameProbe : public QObject {
    Q_OBJECT
public:
    static void watchIfAsked(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FirstFrameProbe(QWidget* window);

    QWidget* window_;
};
