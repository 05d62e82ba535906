#pragma once

#include <QSize>
#include <QString>

#include <exception>

namespace desktop {

// Every failure the program raises, each worded here and nowhere else: the user reads these exact texts
// in the error report.
[[noreturn]] void fileNotFound();
[[noreturn]] void accessError();
[[noreturn]] void badFileName();
[[noreturn]] void noFileBrowser();
[[noreturn]] void invalidPicture();
[[noreturn]] void outOfMemory();
// A format this installation cannot read: its reader's module, or a library the module needs, is missing,
// or the file takes a shape of the format its reader does not know.
[[noreturn]] void unsupportedFormat();
[[noreturn]] void pictureTooLarge(QSize size);
[[noreturn]] void pictureTooLargeToPan(qint64 excess);
[[noreturn]] void invalidSkin();
[[noreturn]] void invalidPropertyValue();
[[noreturn]] void overflow();

// Raises again a failure that another process of the program reported by its text, when it is one that
// reading a picture raises; any other text, which that process had no business sending, as invalidPicture.
[[noreturn]] void raiseReported(const QString& text);

// The description of any failure as the error report shows it: the text of a Failure, "Out of memory"
// when memory ran out, the message of another exception, or "Unexpected error".
QString describeFailure(std::exception_ptr failure);

} // namespace desktop
