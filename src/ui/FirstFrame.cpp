#include "ui/FirstFrame.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace ui {

namespace {

class FirstFrameWatch : public QObject {
public:
    FirstFrameWatch(QWidget& window, std::function<void()> task) : QObject(&window), task_(std::move(task)) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Queued behind the paint in progress, which reaches the screen when its event returns.
            QTimer::singleShot(0, this, [this] {
                const std::function<void()> task = std::move(task_);
                deleteLater();
                task();
            });
        }
        return false;
    }

private:
    std::function<void()> task_;
};

} // namespace

void afterFirstFrame(QWidget& window, std::function<void()> task) {
    new FirstFrameWatch(window, std::move(task));
}

} // namespace ui
