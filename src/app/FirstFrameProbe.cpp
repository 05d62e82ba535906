#include "app/FirstFrameProbe.h"

#include "ui/PictureSurface.h"
#include "viewer/Form1.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <cstdio>

FirstFrameProbe* FirstFrameProbe::watchIfAsked(QWidget* window, const Form1* form) {
    if (!qEnvironmentVariableIsSet("KESTRELLE_EXIT_AFTER_FIRST_FRAME"))
        return nullptr;
    const QString asked = qEnvironmentVariable("KESTRELLE_EXIT_AFTER_FIRST_FRAME");
    const Moment moment = asked == QLatin1String("pictures")              ? Moment::AfterPictures
                          : asked == QLatin1String("first-exact") && form ? Moment::FirstExact
                                                                          : Moment::FirstFrame;
    return new FirstFrameProbe(window, form, moment);
}

FirstFrameProbe::FirstFrameProbe(QWidget* window, const Form1* form, Moment moment)
    : QObject(window), window_(window), form_(form), moment_(moment) {
    if (moment_ == Moment::FirstFrame)
        window->installEventFilter(this);
    else if (moment_ == Moment::FirstExact)
        QCoreApplication::instance()->installEventFilter(this);
}

// The pictures are painted by the panes' own widgets, so every widget's paint counts from now on.
void FirstFrameProbe::picturesPlaced() {
    if (moment_ == Moment::AfterPictures) {
        QCoreApplication::instance()->installEventFilter(this);
    } else if (moment_ == Moment::FirstExact) {
        const auto placed = std::chrono::steady_clock::now();
        QCoreApplication::instance()->removeEventFilter(this);
        const QImage picture = form_->Picture1.image();
        for (const auto& [at, shown] : pane1Frames_) {
            const QRect visible = shown.rect() & picture.rect();
            if (shown.copy(visible) == picture.copy(visible).convertToFormat(shown.format()))
                return reportAndEnd(at);
        }
        reportAndEnd(placed);
    }
}

bool FirstFrameProbe::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::Paint || !widget || widget->window() != window_)
        return false;
    if (moment_ == Moment::FirstExact) {
        // What a load shows over pane 1 is painted by a surface of its own over the frame.
        auto* surface = qobject_cast<ui::PictureSurface*>(widget);
        if (surface && surface->parentWidget() == form_->Picture2.clientWidget() &&
            surface != form_->Picture1.widget())
            pane1Frames_.emplace_back(std::chrono::steady_clock::now(), surface->picture());
        return false;
    }
    watched->removeEventFilter(this);
    QCoreApplication::instance()->removeEventFilter(this);
    // Queued, so it runs once the paint in progress has reached the screen.
    QMetaObject::invokeMethod(
        this, [this] { reportAndEnd(std::chrono::steady_clock::now()); }, Qt::QueuedConnection);
    return false;
}

void FirstFrameProbe::reportAndEnd(std::chrono::steady_clock::time_point at) {
    std::printf("first-frame %lld\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count()));
    std::fflush(stdout);
    QCoreApplication::exit(0);
}
