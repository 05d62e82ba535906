#pragma once

#include <QImage>
#include <QObject>

#include <chrono>
#include <utility>
#include <vector>

class Form1;

// Start-up timing for benchmarks: when KESTRELLE_EXIT_AFTER_FIRST_FRAME is set, the program prints the
// steady clock's reading in nanoseconds ("first-frame <ns>") once its main window has drawn its first
// frame, and ends; set to "pictures", once it has drawn the first frame after the files named on its
// command line were placed in the panes; set to "first-exact", at the first frame that showed over pane 1
// exactly what its named picture shows once placed (the moment it was placed if none did). Unset, nothing
// is watched.
class FirstFrameProbe : public QObject {
    Q_OBJECT
public:
    // The probe, or none when nothing is asked; pane 1 is watched in the main window form, if given.
    static FirstFrameProbe* watchIfAsked(QWidget* window, const Form1* form = nullptr);
    void picturesPlaced();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Moment { FirstFrame, AfterPictures, FirstExact };
    FirstFrameProbe(QWidget* window, const Form1* form, Moment moment);
    void reportAndEnd(std::chrono::steady_clock::time_point at);

    QWidget* window_;
    const Form1* form_;
    Moment moment_;
    // While a named picture loads: what each frame showed over pane 1, and when.
    std::vector<std::pair<std::chrono::steady_clock::time_point, QImage>> pane1Frames_;
};
