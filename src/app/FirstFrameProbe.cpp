#include "app/FirstFrameProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <chrono>
#include <cstdio>

FirstFrameProbe* FirstFrameProbe::watchIfAsked(QWidget* window) {
    if (!qEnvironmentVariableIsSet("KESTRELLE_EXIT_AFTER_FIRST_FRAME"))
        return nullptr;
    return new FirstFrameProbe(window, qEnvironmentVariable("KESTRELLE_EXIT_AFTER_FIRST_FRAME") ==
                                           QLatin1String("pictures"));
}

FirstFrameProbe::FirstFrameProbe(QWidget* window, bool afterPictures)
    : QObject(window), window_(window), afterPictures_(afterPictures) {
    if (!afterPictures_)
        window->installEventFilter(this);
}

// The pictures are painted by the panes' own widgets, so every widget's paint counts from now on.
void FirstFrameProbe::picturesPlaced() {
    if (afterPictures_)
        QCoreApplication::instance()->installEventFilter(this);
}

bool FirstFrameProbe::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::Paint || !widget || widget->window() != window_)
        return false;
    watched->removeEventFilter(this);
    QCoreApplication::instance()->removeEventFilter(this);
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
