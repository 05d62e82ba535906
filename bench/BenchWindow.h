#pragma once

#include "support/FakeDesktop.h"

#include "app/Main.h"
#include "desktop/Environment.h"
#include "desktop/ScreenProfile.h"
#include "desktop/StdRandom.h"
#include "desktop/SystemClock.h"
#include "picture/ColourStage.h"
#include "picture/LoadBudget.h"
#include "picture/PictureLoader.h"
#include "picture/SandboxedFormats.h"
#include "viewer/Form1.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>

// The main window as the program starts it, over the tests' scripted desktop (so that a run stops on a
// message box instead of waiting for a click) and an empty program folder.
class BenchWindow {
public:
    // The built program's format modules and decoder helper, beside it as in its installed folder; or the
    // modules of another folder.
    explicit BenchWindow(const QString& modules = besideProgram(QStringLiteral("formats")));

    QTemporaryDir folder;
    FakeDesktop desktop;
    desktop::SystemClock clock;
    desktop::StdRandom random;
    desktop::Environment environment{desktop, clock, random, folder.path()};
    Main startUp{environment};
    picture::LoadBudget budget{picture::LoadBudget::machineShare()};
    const picture::ColourStage screenColours{desktop::screenProfile()};
    picture::SandboxedFormats formats;
    const picture::PictureLoader loader{{budget, screenColours, formats}};
    Form1 form{environment, startUp, loader};

    // Loads a picture into pane 1 or 2 the way the program does, without its file dialog.
    void place(int pane, const QString& path);
    // Enters full screen and returns once the full-screen window is laid out and painted.
    Form2& enterFullScreen();
    // The second half of that, after Show Full Screen was clicked.
    Form2& awaitFullScreen();
    // Esc in the full-screen window, back to the main window.
    void leaveFullScreen();

    // Runs the event loop until done() holds; false after five seconds without it.
    static bool processUntil(const std::function<bool()>& done);
    // Delivers the window's pending paint at once.
    static void paintPending(QWidget* window);

private:
    static QString besideProgram(const QString& name) {
        return QFileInfo(QStringLiteral(KESTRELLE_PROGRAM)).dir().filePath(name);
    }
};
