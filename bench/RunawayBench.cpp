// Pictures whose reader allocates far beyond what the picture claimed: refused, and the window's memory
// stays as it was, since the allocation happens in the decoder helper and ends there.
#include "BenchPictures.h"
#include "BenchWindow.h"
#include "Summary.h"
#include "support/DamagedPictures.h"
#include "support/ExrWriter.h"
#include "support/ProcessMemory.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>

namespace {

constexpr double megabyte = 1e6;

struct RunawayCase {
    std::string figure;
    QString modules; // none for the program's own
    std::function<QByteArray()> file;
    // A sound picture of the same format, opened first: what any first load sets up is not the refusal's.
    std::function<QByteArray()> soundFile;
    QString name;
    std::string askedFor; // what the reader asks for beyond its claim
    double asked = 0;
};

void runaway(benchmark::State& state, const RunawayCase& c) {
    if (c.file == nullptr) {
        state.SkipWithError("the test-only reader was not built");
        return;
    }
    const QDir folder(BenchPictures::folder());
    const QString path = folder.filePath(c.name);
    const QString soundPath = folder.filePath(QStringLiteral("sound-") + c.name);
    for (const auto& [where, bytes] : {std::pair(path, c.file()), std::pair(soundPath, c.soundFile())}) {
        QFile out(where);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
            state.SkipWithError("could not write the pictures");
            return;
        }
    }
    BenchWindow window = c.modules.isEmpty() ? BenchWindow() : BenchWindow(c.modules);
    window.desktop.fileAnswers = {soundPath};
    window.form.PushButton4_Click();
    const qint64 shown = window.form.Picture4.pictureHandle();
    double growth = 0;
    for (auto _ : state) {
        window.desktop.messages.clear();
        window.desktop.fileAnswers = {path};
        const PeakMemoryWatch memory;
        window.form.PushButton4_Click();
        growth = std::max(growth, double(memory.growth()));
        if (shown == 0 || window.desktop.messages.size() != 1 ||
            window.form.Picture4.pictureHandle() != shown) {
            state.SkipWithError("the picture was not refused");
            return;
        }
    }
    Summary::add(
        {c.figure, c.askedFor, growth / megabyte, c.asked / megabyte, "MB", "< 2 MB", growth < 2 * megabyte});
}

QByteArray smallExr() {
    return test::writeExr(test::ExrShape(16, 16, [](int, int) { return test::LinearPixel{1, 1, 1, 1}; }));
}

QByteArray exrWithGigabytePreview() {
    return damaged::exrWithPreviewOf(smallExr(), 16000, 16000);
}

} // namespace

BENCHMARK_CAPTURE(runaway, exr,
                  RunawayCase{"refused: OpenEXR whose library fills 1 GB, window memory added",
                              {},
                              exrWithGigabytePreview,
                              smallExr,
                              QStringLiteral("preview.exr"),
                              "what its library fills",
                              16000.0 * 16000 * 4})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runaway, endless,
                  RunawayCase{"refused: a reader allocating without end, window memory added",
#ifdef HOSTILE_MODULES
                              QStringLiteral(HOSTILE_MODULES), [] { return QByteArray("allocate"); },
                              [] { return QByteArray("picture"); },
#else
                              {},
                              nullptr,
                              nullptr,
#endif
                              QStringLiteral("endless.raw"), "what the helper may map beyond its start",
                              512.0 * 1024 * 1024})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
