#include "BenchWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

BenchWindow::BenchWindow(const QString& modules)
    : formats(besideProgram(QStringLiteral("kestrelle-decoder")), modules) {
    form.load();
    form.show();
    processUntil(
        [this] { return form.window()->windowHandle() && form.window()->windowHandle()->isExposed(); });
}

void BenchWindow::place(int pane, const QString& path) {
    ImagePane& target = pane == 1 ? form.pane1 : form.pane2;
    target.Inner.setPicture(loader.load(path));
    PaneFit(target);
}

Form2& BenchWindow::enterFullScreen() {
    form.PushButton1_Click();
    return awaitFullScreen();
}

Form2& BenchWindow::awaitFullScreen() {
    Form2& full = form.form2();
    const int half = full.window()->screen()->geometry().width() / 2;
    processUntil([&] { return full.Picture2.widget()->width() == half && full.pane1.HScrollUnit != 0; });
    paintPending(full.window());
    return full;
}

void BenchWindow::leaveFullScreen() {
    QWidget* full = form.form2().window();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
    QApplication::sendEvent(full->focusWidget() ? full->focusWidget() : full, &escape);
    processUntil([this] { return form.isVisible() && form.window()->windowHandle()->isExposed(); });
    paintPending(form.window());
}

bool BenchWindow::processUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void BenchWindow::paintPending(QWidget* window) {
    QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
}
