#pragma once

#include <QPixmap>
#include <QScrollBar>

namespace ui {

// A scroll bar that keeps a copy of its drawing and shows it again until something about it changes.
// A bar that overlaps a pane is redrawn at every pan step of that pane, and the style draws a long bar
// in strips handed to worker threads: on a busy machine that costs more than the pane's own pixels.
class CachedScrollBar : public QScrollBar {
public:
    CachedScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {}

protected:
    bool event(QEvent* event) override;
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Draws the copy once the paint in progress is over: a widget cannot render itself while painting.
    void keepDrawing();

    QPixmap drawn_;
    bool keepPending_ = false;
    bool rendering_ = false;
};

} // namespace ui
