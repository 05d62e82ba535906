#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

class QFile;

namespace desktop {

// The modification time of a file or folder; fails with "File not found" when it cannot be read.
QDateTime fileDateTime(const QString& path);

// One of the named failures of desktop/Failures.h, raised where a file is not what was asked for.
using Refusal = void (*)();

// Opens the file that `file` names for reading, and only if it is a regular file. What was opened is
// checked, not what the name showed a moment before, and it is opened without waiting so that a pipe with
// no writer cannot hold the program; reads then block as usual. Nothing at all there fails with
// "File not found"; what is not a regular file, or cannot be opened, fails through `notRegular`.
void openRegularFile(QFile& file, Refusal notRegular);

// Up to `limit` bytes from the start of the regular file at path, opened as above; a file that cannot be
// read also fails through `notRegular`.
QByteArray readRegularFile(const QString& path, qint64 limit, Refusal notRegular);

// The name of the ordinary file at path (no folders, hidden or system files), or an empty text.
QString ordinaryFileName(const QString& path);

// A file beside the program: the program folder joined with a relative path such as "x/o.cjs".
QString besideProgram(const QString& programFolder, const QString& relative);

} // namespace desktop
