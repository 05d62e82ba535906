#pragma once

#include <QDateTime>
#include <QString>

namespace desktop {

// The modification time of a file or folder; fails with "File not found" when it cannot be read.
QDateTime fileDateTime(const QString& path);

// The name of the ordinary file at path (no folders, hidden or system files), or an empty text.
QString ordinaryFileName(const QString& path);

// A file beside the program: the program folder joined with a relative path such as "x/o.cjs".
QString besideProgram(const QString& programFolder, const QString& relative);

} // namespace desktop
