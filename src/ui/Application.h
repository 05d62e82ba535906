#pragma once

#include <QIcon>
#include <QString>

namespace ui {

// The application title: one text per process that captions every message box without a title of its own.
QString applicationTitle();
void setApplicationTitle(const QString& title);

// The folder of the running executable, symlinks resolved, without a trailing separator.
QString programFolder();

// Pictures are shown pixel for pixel, so the program works in the screen's own pixels. A scale factor the
// user asked for becomes a higher dots-per-inch instead: text and the twips-designed windows grow with it,
// while pictures stay one picture pixel on one screen pixel. Call before the application object exists.
void useScreenPixels();

// The program's icon, in its four sizes.
QIcon applicationIcon();

// Ends the program at once: leaves the event loop, whatever windows are loaded.
void endProgram();

} // namespace ui
