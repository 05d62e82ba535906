#pragma once

#include "picture/LoadBudget.h"

#include <QImage>
#include <QString>

namespace picture {

class ColourStage;
class FormatReaders;
struct LoadWatch;

// Loads picture files by path: JPEG, PNG, GIF, BMP, the formats whose readers are modules, and every other
// format the installed toolkit reads, judged by content rather than by extension. The result is 32-bit RGB,
// the format that paints fastest. Failures carry short descriptions: "File not found", "Invalid picture",
// "Out of memory", ... Start-up builds one and hands it to whatever opens pictures; loads may run on any
// thread at once.
class PictureLoader {
public:
    // What the loads work with, made before the loader and kept beyond it.
    struct Needs {
        // The memory the loads running at one time may take together.
        LoadBudget& budget;
        // Brings every picture into the screen's colours.
        const ColourStage& screen;
        // The readers of the formats kept in modules.
        FormatReaders& formats;
    };

    // Built before any load runs: it lets the toolkit's reader take what the budget allows.
    explicit PictureLoader(Needs needs);

    // With a watch, the parts of the picture it sees are shown to it as they become final.
    QImage load(const QString& path, const LoadWatch* watch = nullptr) const;

private:
    Needs needs_;
};

} // namespace picture
