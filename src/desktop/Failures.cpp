#include "desktop/Failures.h"

#include "desktop/Failure.h"

#include "desktop/PanReach.h"

#include <QRegularExpression>

#include <new>

namespace desktop {

namespace {

QString outOfMemoryText() {
    return QStringLiteral("Out of memory");
}

} // namespace

void fileNotFound() {
    throw Failure(QStringLiteral("File not found"));
}

void accessError() {
    throw Failure(QStringLiteral("Path/File access error"));
}

void badFileName() {
    throw Failure(QStringLiteral("Bad file name or number"));
}

void noFileBrowser() {
    throw Failure(QStringLiteral("No file browser"));
}

void invalidPicture() {
    throw Failure(QStringLiteral("Invalid picture"));
}

void outOfMemory() {
    throw Failure(outOfMemoryText());
}

void unsupportedFormat() {
    throw Failure(QStringLiteral("Unsupported picture format"));
}

void pictureTooLarge(QSize size) {
    throw Failure(QStringLiteral("Picture too large: %1 x %2 pixels").arg(size.width()).arg(size.height()));
}

void pictureTooLargeToPan(qint64 excess) {
    throw Failure(
        QStringLiteral("Picture too large to pan: it passes its frame by more than %1 pixels").arg(excess));
}

void invalidSkin() {
    throw Failure(QStringLiteral("Invalid skin file"));
}

void invalidPropertyValue() {
    throw Failure(QStringLiteral("Invalid property value"));
}

void overflow() {
    throw Failure(QStringLiteral("Overflow"));
}

void raiseReported(const QString& text) {
    for (const auto failure :
         {&invalidPicture, &outOfMemory, &unsupportedFormat, +[] { pictureTooLargeToPan(panReach); }}) {
        try {
            failure();
        } catch (const Failure& named) {
            if (named.description() == text)
                throw;
        }
    }
    static const QRegularExpression tooLarge(
        QStringLiteral("^Picture too large: (\\d{1,10}) x (\\d{1,10}) pixels$"));
    if (const QRegularExpressionMatch size = tooLarge.match(text); size.hasMatch())
        pictureTooLarge(QSize(size.captured(1).toInt(), size.captured(2).toInt()));
    invalidPicture();
}

QString describeFailure(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Failure& f) {
        return f.description();
    } catch (const std::bad_alloc&) {
        return outOfMemoryText();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unexpected error");
    }
}

} // namespace desktop
