#include "app/Main.h"
#include "ui/Application.h"
#include "ui/Environment.h"
#include "ui/FirstFrameProbe.h"
#include "ui/QtDesktop.h"
#include "ui/StdRandom.h"
#include "ui/SystemClock.h"
#include "viewer/Form1.h"

#include <QApplication>

int main(int argc, char** argv) {
    ui::useScreenPixels();
    QApplication app(argc, argv);
    ui::QtDesktop desktop;
    ui::SystemClock clock;
    ui::StdRandom random;
    ui::Environment environment{desktop, clock, random, ui::programFolder()};
    Main startUp(environment);
    Form1 form(environment, startUp);
    form.load();
    ui::FirstFrameProbe::watchIfAsked(form.window());
    form.show();
    return app.exec();
}
