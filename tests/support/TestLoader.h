#pragma once

#include "picture/ColourStage.h"
#include "picture/PictureLoader.h"
#include "support/BuiltFormats.h"

constexpr qint64 megabyte = 1024 * 1024;

// A picture loader built as start-up builds the program's, over a budget of the test's own (sized like
// the program's unless told), an sRGB screen and the build's format modules, read in its decoder helper,
// on the machine's cores, unless told.
struct TestLoader {
    explicit TestLoader(qint64 bytes = picture::LoadBudget::machineShare(),
                        picture::FormatReaders& formats = sandboxedFormats(),
                        int cores = picture::LoadBudget::machineCores())
        : budget(bytes, cores), loader({budget, srgbScreen, formats}) {}
    QImage load(const QString& path) const { return loader.load(path); }

    picture::LoadBudget budget;
    const picture::ColourStage srgbScreen{QByteArray()};
    const picture::PictureLoader loader;
};
