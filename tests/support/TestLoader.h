#pragma once

#include "picture/ColourStage.h"
#include "picture/PictureLoader.h"

// A picture loader built as start-up builds the program's, over a budget of the test's own (sized like
// the program's unless told) and an sRGB screen.
struct TestLoader {
    explicit TestLoader(qint64 bytes = picture::LoadBudget::machineShare()) : budget(bytes) {}
    QImage load(const QString& path) const { return loader.load(path); }

    picture::LoadBudget budget;
    const picture::ColourStage srgbScreen{QByteArray()};
    const picture::PictureLoader loader{{budget, srgbScreen}};
};
