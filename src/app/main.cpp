#include "app/Main.h"
#include "app/FirstFrameProbe.h"
#include "desktop/Application.h"
#include "desktop/Environment.h"
#include "desktop/QtDesktop.h"
#include "desktop/StdRandom.h"
#include "desktop/SystemClock.h"
#include "ui/Appearance.h"
#include "viewer/Form1.h"

#include <QApplication>

int main(int argc, char** argv) {
    ui::useScreenPixels();
    QApplication app(argc, argv);
    // The program ends when the main window unloads, and only then: a message box that closes while no
    // other window counts as open must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    desktop::QtDesktop desktop;
    desktop::SystemClock clock;
    desktop::StdRandom random;
    desktop::Environment environment{desktop, clock, random, desktop::programFolder()};
    Main startUp(environment);
    Form1 form(environment, startUp);
    form.load();
    FirstFrameProbe::watchIfAsked(form.window());
    form.show();
    return app.exec();
}
