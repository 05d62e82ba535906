#pragma once

#include "picture/ColourStage.h"
#include "picture/LoadBudget.h"
#include "picture/PictureLoader.h"

// A picture loader built as start-up builds the program's, over a budget of the test's own, sized like
// the program's unless told, and a screen in sRGB.
class TestLoader {
public:
    explicit TestLoader(qint64 budgetBytes = picture::LoadBudget::machineShare()) : budget(budgetBytes) {}

    picture::LoadBudget budget;
    const picture::ColourStage srgbScreen{QByteArray()};
    const picture::PictureLoader loader{{budget, srgbScreen}};

    QImage load(const QString& path) const { return loader.load(path); }
};
