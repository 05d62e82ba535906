#pragma once

#include <QObject>

class QWidget;

// Start-up timing for benchmarks: when KESTRELLE_EXIT_AFTER_FIRST_FRAME is set, the program prints the
// steady clock's reading in nanoseconds ("first-frame <ns>") once its main window has drawn its first
// frame, and ends; set to "pictures", once it has drawn the first frame after the files named on its
// command line were placed in the panes. Unset, nothing is watched.
class FirstFrameProbe : public QObject {
    Q_OBJECT
public:
    // The probe, or none when nothing is asked.
    static FirstFrameProbe* watchIfAsked(QWidget* window);
    void picturesPlaced();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FirstFrameProbe(QWidget* window, bool afterPictures);

    QWidget* window_;
    bool afterPictures_;
};
