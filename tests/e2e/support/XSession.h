#pragma once

#include "support/AccessibilityBus.h"
#include "support/ChildProcess.h"

#include <QImage>
#include <QProcessEnvironment>
#include <QRect>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A private X server with a window manager, for one test program: Xvfb on the first free display number,
// openbox on it (without one, maximise and full screen leave a window at its old size), the X tools that
// drive and read it as a person would, and a private bus on which programs shown here publish their texts.
class XSession {
public:
    explicit XSession(QSize screenSize);

    // Empty once the server and the window manager are up; otherwise what went wrong.
    QString failure() const { return failure_; }
    QSize screenSize() const { return screenSize_; }
    // For a program shown on this display: its own home, and an xdg-open that only notes what it was given,
    // so that nothing the program opens leaves the test.
    QProcessEnvironment programEnvironment() const;
    // Every argument that the program passed to xdg-open so far.
    QString openedThings() const;
    const AccessibilityBus& accessibility() const { return *accessibility_; }

    QByteArray run(const QString& tool, const QStringList& arguments) const;
    QImage screenshot() const;
    // Ids of the mapped windows whose title matches the regular expression.
    QStringList windows(const QString& titlePattern) const;
    QString focusedWindow() const;
    // The process's mapped windows that bypass the window manager, such as a completion list.
    QStringList popups(qint64 processId) const;
    // The window's client area on the screen.
    QRect clientRect(const QString& window) const;

    void click(QPoint at) const;
    // xdotool key names, pressed one after another.
    void press(const QStringList& keys) const;
    void type(const QString& text) const;

private:
    QProcessEnvironment toolEnvironment() const;
    bool startServer();
    bool startWindowManager();
    bool startAccessibility();

    QSize screenSize_;
    QTemporaryDir home_;
    QString display_;
    QString failure_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> windowManager_;
    std::unique_ptr<AccessibilityBus> accessibility_;
};
