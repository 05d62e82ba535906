// Any bytes as a picture file, through the whole load: the damage checks, the size limits and the decoders.
// Whatever the bytes, the load gives a picture or fails with a Failure.
#include "QuietOffscreen.h"
#include "desktop/Failure.h"
#include "picture/ColourStage.h"
#include "picture/FormatModules.h"
#include "picture/LoadBudget.h"
#include "picture/PictureLoader.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <new>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    quietOffscreen();
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QTemporaryDir dir;
    static picture::LoadBudget budget(picture::LoadBudget::machineShare());
    static const picture::ColourStage srgbScreen{QByteArray()};
    // The fuzz build has no format modules: their formats are refused as unsupported.
    static picture::FormatModules formats(dir.filePath(QStringLiteral("formats")));
    static const picture::PictureLoader loader({budget, srgbScreen, formats});
    // No extension: the loader goes by content.
    QFile file(dir.filePath(QStringLiteral("picture")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        qFatal("cannot write %s", qPrintable(file.fileName()));
    file.close();
    try {
        loader.load(file.fileName());
    } catch (const desktop::Failure&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}
