#include "app/CommandLine.h"
#include "app/FirstFrameProbe.h"
#include "app/Main.h"
#include "app/PlatformChoice.h"
#include "desktop/Application.h"
#include "desktop/Environment.h"
#include "desktop/Files.h"
#include "desktop/QtDesktop.h"
#include "desktop/ScreenProfile.h"
#include "desktop/StdRandom.h"
#include "desktop/SystemClock.h"
#include "picture/BackgroundLoads.h"
#include "picture/ColourStage.h"
#include "picture/LoadBudget.h"
#include "picture/PictureLoader.h"
#include "picture/SandboxedFormats.h"
#include "ui/Appearance.h"
#include "ui/FirstFrame.h"
#include "viewer/Form1.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine(arguments);
    std::fputs(qPrintable(commandLine.errorOutput()), stderr);
    if (const std::optional<int> code = commandLine.exitCode()) {
        std::fputs(qPrintable(commandLine.output()), stdout);
        return *code;
    }

    PlatformChoice::choose();
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
    // Every picture the window opens goes through this one loader, within one budget, to this screen.
    picture::LoadBudget budget(picture::LoadBudget::machineShare());
    const picture::ColourStage screenColours(desktop::screenProfile());
    // The readers whose libraries start-up should not pay for wait in the formats folder beside the program;
    // each of their pictures is read by a helper beside it, shut in.
    picture::SandboxedFormats formats(
        desktop::besideProgram(environment.programFolder, QStringLiteral("kestrelle-decoder")),
        desktop::besideProgram(environment.programFolder, QStringLiteral("formats")));
    const picture::PictureLoader loader({budget, screenColours, formats});
    // The files named on the command line decode while the window is built, each watched over the part
    // its pane shows first; a load that ends before the window's first frame places the files at once.
    const QStringList named = commandLine.files().mid(0, 2);
    Form1* shown = nullptr;
    picture::BackgroundLoads ahead(loader);
    // Destroyed before the loads are waited for, so a program that ends before its first frame still ends.
    picture::LoadBudget::LargeClaimsHeld untilShown(budget);
    ahead.onEnded = [&shown] {
        QMetaObject::invokeMethod(
            qApp, [&shown] { shown ? shown->placeNamedFiles(true) : void(); }, Qt::QueuedConnection);
    };
    for (qsizetype i = 0; i < named.size(); ++i)
        ahead.startWatched(named[i], Form1::paneArea(int(i) + 1));
    Form1 form(environment, startUp, loader);
    form.load();
    FirstFrameProbe* const probe = FirstFrameProbe::watchIfAsked(form.window(), &form);
    ui::afterFirstFrame(*form.window(), [&untilShown] { untilShown.release(); });
    form.show();
    shown = &form;
    form.openNamedFilesWhenShown(ahead, named, [probe] {
        if (probe)
            probe->picturesPlaced();
    });
    return app.exec();
}
