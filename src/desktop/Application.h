#pragma once

#include <QString>

namespace desktop {

// The program's name, as its window caption and its notes on the error output show it.
QString programName();

// The application title: one text per process that captions every message box without a title of its own.
QString applicationTitle();
void setApplicationTitle(const QString& title);

// The folder of the running executable, symlinks resolved, without a trailing separator.
QString programFolder();

// Ends the program at once: leaves the event loop, whatever windows are loaded.
void endProgram();

} // namespace desktop
