#include "ui/Form.h"

#include <QtTest>

#include <functional>

// A maximise reaches the window as a change of state and a change of size, in either order, in one turn of
// the event loop or in two; the window's resize handler runs once for it.
class WindowResizeTest : public QObject {
    Q_OBJECT

private slots:
    void oneMaximiseIsOneResize_data();
    void oneMaximiseIsOneResize();
    void aFramelessWindowFollowsEverySizeOnce();
};

namespace {

using State = ui::Form::WindowState;

struct RecordingForm {
    explicit RecordingForm(ui::Form::BorderStyle border)
        : form(QStringLiteral("frmTest"), 6000, 4500, border) {
        form.onResize = [this] { seen << form.windowState(); };
        form.show();
        if (!QTest::qWaitForWindowExposed(form.window()))
            qFatal("the window did not show");
        turn();
        seen.clear();
    }

    // One turn of the event loop: what was posted is handled, then what the window system has sent.
    static void turn() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    // The window system's word that the window has this size now; the toolkit's own resize would also put
    // the window back to the normal state.
    void sizeBecomes(QSize size) {
        const Qt::WindowStates state = form.window()->windowState();
        form.window()->resize(size);
        form.window()->overrideWindowState(state);
    }

    // The window system's word that the window is in this state now.
    void stateBecomes(Qt::WindowState state) {
        const Qt::WindowStates old = form.window()->windowState();
        form.window()->overrideWindowState(state);
        QWindowStateChangeEvent change(old);
        QCoreApplication::sendEvent(form.window(), &change);
    }

    ui::Form form;
    QList<State> seen;
};

const QSize screenSize(1200, 900);

} // namespace

void WindowResizeTest::oneMaximiseIsOneResize_data() {
    QTest::addColumn<bool>("stateFirst");
    QTest::addColumn<bool>("oneTurn");
    QTest::newRow("state, then size in a later turn") << true << false;
    QTest::newRow("size, then state in a later turn") << false << false;
    QTest::newRow("state and size in one turn") << true << true;
    QTest::newRow("size and state in one turn") << false << true;
}

void WindowResizeTest::oneMaximiseIsOneResize() {
    QFETCH(bool, stateFirst);
    QFETCH(bool, oneTurn);
    RecordingForm w(ui::Form::BorderStyle::FixedSingle);
    const QSize designed = w.form.window()->size();
    const std::function<void()> size = [&] { w.sizeBecomes(screenSize); };
    const std::function<void()> state = [&] { w.stateBecomes(Qt::WindowMaximized); };
    (stateFirst ? state : size)();
    if (!oneTurn)
        RecordingForm::turn();
    (stateFirst ? size : state)();
    RecordingForm::turn();
    // A window manager repeats the maximised size when the window answered the first with its own.
    if (w.form.window()->size() != screenSize) {
        size();
        RecordingForm::turn();
    }
    QCOMPARE(w.seen, QList<State>{State::Maximized});

    // Restoring is one resize more, and the fixed border brings the designed size back.
    w.stateBecomes(Qt::WindowNoState);
    RecordingForm::turn();
    w.sizeBecomes(designed);
    RecordingForm::turn();
    QCOMPARE(w.seen, (QList<State>{State::Maximized, State::Normal}));
    QCOMPARE(w.form.window()->size(), designed);
}

void WindowResizeTest::aFramelessWindowFollowsEverySizeOnce() {
    RecordingForm w(ui::Form::BorderStyle::None);
    w.sizeBecomes(screenSize);
    RecordingForm::turn();
    w.sizeBecomes(screenSize - QSize(10, 10));
    RecordingForm::turn();
    w.sizeBecomes(screenSize - QSize(10, 10));
    RecordingForm::turn();
    QCOMPARE(w.seen, (QList<State>{State::Normal, State::Normal}));
}

QTEST_MAIN(WindowResizeTest)
#include "window_resize_test.moc"
