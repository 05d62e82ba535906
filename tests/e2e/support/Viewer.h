#pragma once

#include "support/ChildProcess.h"
#include "support/XSession.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <memory>

// The program under test, started as a person starts it and driven only through the X server.
class Viewer {
public:
    static const QString samplesQuestion;

    Viewer(const XSession& session, const QString& program);
    // Started through another program, such as a launcher that starts the viewer in turn.
    Viewer(const XSession& session, const QString& program, const QStringList& arguments,
           const QProcessEnvironment& environment);

    // Waits until the main window shows its panes and has the keyboard; remembers the window and where its
    // client area is.
    bool waitForMainWindow();
    QString mainWindow() const { return mainWindow_; }
    ChildProcess& process() { return *process_; }
    // The client area as it is now on the screen; the remembered place follows it.
    QRect readClientRect();
    QPoint onScreen(QPoint clientPoint) const { return clientOrigin_ + clientPoint; }

    void clickButton(const QString& caption) const;
    void clickPicture(int pane) const;
    // What both panes show, as coded::read tells it: "pane 1: ...; pane 2: ...".
    QString panes() const;
    QImage pictureArea(const QImage& screen, int pane) const;

    // The first mapped window, other than the main one, whose title matches; empty if none came in time.
    QString waitForWindow(const QString& titlePattern) const;
    bool waitUntilGone(const QString& window) const;
    bool waitUntilFocused(const QString& window) const;
    // What the program publishes for its windows whose title matches.
    QList<AccessibilityBus::Object> objects(const QString& titlePattern) const;
    // The text of the box whose title matches, exactly as the program holds it: its labels' texts, one a
    // line; empty while no such box is published.
    QString boxText(const QString& titlePattern) const;
    // With a message box coming up: waits until its text is `expected`, then answers with the key and waits
    // for the main window to have the focus again. Returns the text the box showed; the key is pressed only
    // when it was the expected one.
    QString answerBox(const QString& titlePattern, const QString& expected, const QString& key) const;
    // Load Sample/Example Files, answering No to the offer to open the folder.
    QString loadSamplesAnsweringNo() const;
    // With the file dialog opening: types the path into its File name box, presses Enter and waits for the
    // focus to leave the dialog.
    bool chooseInFileDialog(const QString& path) const;
    // With the file dialog opening: presses Esc and waits for the main window to have the focus again.
    bool cancelFileDialog() const;

private:
    const XSession& session_;
    std::unique_ptr<ChildProcess> process_;
    QString mainWindow_;
    QPoint clientOrigin_;
};
