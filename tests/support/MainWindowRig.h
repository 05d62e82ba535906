#pragma once

#include "support/FakeDesktop.h"
#include "support/ScriptedChance.h"
#include "support/TestLoader.h"

#include "app/Main.h"
#include "desktop/Environment.h"
#include "viewer/Form1.h"

#include <QTemporaryDir>

#include <memory>

// The main window as start-up leaves it, over a scripted desktop and a program folder of the test's own.
class MainWindowRig {
public:
    enum class Start { now, later };
    // Files named here are copied from the build's program folder into the test's, then the window is
    // started, unless the test lays files of its own first and calls start() itself.
    // Its pictures of the modules' formats are read as the program reads them unless other readers are given.
    explicit MainWindowRig(const QStringList& filesBesideProgram = {}, Start when = Start::now,
                           picture::FormatReaders& formats = sandboxedFormats());

    QTemporaryDir folder;
    FakeDesktop desktop;
    FixedClock clock;
    ScriptedRandom random;
    desktop::Environment environment{desktop, clock, random, folder.path()};
    Main startUp{environment};
    TestLoader loader;
    std::unique_ptr<Form1> form;

    // Loads and shows the window, as the program's start does.
    void start();
    // Writes a picture into the program folder and opens it into pane 1 or 2 through the dialog.
    void open(int pane, const QImage& picture, const QString& name = QStringLiteral("p.png"));
    // Presses a key on whatever control has the focus, as the keyboard would.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    static QString buildFile(const QString& relative);
    // The error report of a procedure of the main window, as the user reads it.
    static QString report(const QString& description, const QString& procedure, int line);
};
