#pragma once

#include <QString>

// The window system the program runs on, chosen on purpose instead of by whichever of the toolkit's
// platform plug-ins happen to be installed. Where an X display is reachable the program runs on X11, even
// inside a Wayland session: there it is centred, keeps its fixed size and comes back to its place after full
// screen. Only where Wayland is the sole display does it run on Wayland itself. A platform the user named
// (QT_QPA_PLATFORM, or -platform on the command line) always wins.
class PlatformChoice {
public:
    // The platform to ask the toolkit for; empty to leave the user's choice, or the toolkit's, as it is.
    static QString platformFor(const QString& userChoice, const QString& xDisplay,
                               const QString& waylandDisplay);

    // Reads the environment and sets the choice; call before the application object exists.
    static void choose();
};
