#include "app/FirstFrameProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <chrono>
#include <cstdio>

void FirstFrameProbe::watchIfAsked(QWidget* window) {
    if (qEnvironmentVariableIsSet("KESTRELLE_EXIT_AFTER_FIRST_FRAME"))
        new FirstFrameProbe(window);
}

FirstFrameProbe::FirstFrameProbe(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
}

bool FirstFrameProbe::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_ || event->type() != QEvent::Paint)
        return false;
    window_->removeEventFilter(this);
    // Queued, so it runs once the paint in progress has reached the screen.
    QMetaObject::invokeMethod(
        this,
        [] {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            std::printf(
                "first-frame %lld\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
            std::fflush(stdout);
            QCoreApplication::exit(0);
        },
        Qt::QueuedConnection);
    return false;
}
