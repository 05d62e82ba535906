#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace desktop {

// The modification time of a file or folder; fails with "File not found" when it cannot be read.
QDateTime fileDateTime(const QString& path);

// Up to `limit` bytes from the start of the regular file at path. Never waits on a pipe or a device: what
// is not a regular file fails with `notRegular`, as does a file that cannot be opened or read; nothing at
// all there fails with "File not found".
QByteArray readRegularFile(const QString& path, qint64 limit, const QString& notRegular);

// The name of the ordinary file at path (no folders, hidden or system files), or an empty text.
QString ordinaryFileName(const QString& path);

// A file beside the program: the program folder joined with a relative path such as "x/o.cjs".
QString besideProgram(const QString& programFolder, const QString& relative);

} // namespace desktop
