// The first exact frame of a huge picture: from the moment its load into pane 1 begins to the first paint
// after which the pane shows exactly what it shows once the load has ended, held against the picture's
// library decoding the whole file alone.
#include "BenchPictures.h"
#include "BenchWindow.h"
#include "OpenBench.h"
#include "Stopwatch.h"

#include "desktop/Owned.h"
#include "pane/ImagePane.h"
#include "ui/PictureSurface.h"
#include "viewer/ShownLoad.h"

#include <QApplication>

#include <benchmark/benchmark.h>
#include <png.h>
#include <tiffio.h>

#include <chrono>
#include <memory>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

// Each picture painted over pane 1's frame while a load runs, and when.
class FramePaints : public QObject {
public:
    FramePaints(QWidget* frame, QWidget* inner) : frame_(frame), inner_(inner) {
        qApp->installEventFilter(this);
    }
    ~FramePaints() override { qApp->removeEventFilter(this); }

    void start() {
        start_ = Clock::now();
        paints_.clear();
    }
    // Seconds from the start to the first paint that showed picture's visible part as it is; the end of
    // the load when none did.
    double firstExact(const QImage& picture, double loadEnded) const {
        for (const auto& [at, shown] : paints_) {
            const QRect visible = shown.rect() & picture.rect();
            if (shown.copy(visible) == picture.copy(visible).convertToFormat(shown.format()))
                return at;
        }
        return loadEnded;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* surface = qobject_cast<ui::PictureSurface*>(watched);
        if (event->type() == QEvent::Paint && surface && surface != inner_ &&
            surface->parentWidget() == frame_)
            paints_.push_back(
                {std::chrono::duration<double>(Clock::now() - start_).count(), surface->picture()});
        return false;
    }

private:
    QWidget* frame_;
    QWidget* inner_;
    Clock::time_point start_;
    std::vector<std::pair<double, QImage>> paints_;
};

// libpng alone: the whole file decoded into a new buffer of 32-bit pixels.
void decodeWithLibpng(const QString& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.toLocal8Bit().constData()))
        throw std::runtime_error("libpng refused " + path.toStdString());
    image.format = PNG_FORMAT_BGRA;
    const auto pixels = std::make_unique_for_overwrite<png_byte[]>(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.get(), 0, nullptr))
        throw std::runtime_error("libpng could not decode " + path.toStdString());
    benchmark::DoNotOptimize(pixels.get());
}

// libtiff alone: every tile decoded into one buffer of the file's own samples.
void decodeTilesWithLibtiff(const QString& path) {
    const desktop::Owned<TIFF, TIFFClose> tiff(TIFFOpen(path.toLocal8Bit().constData(), "r"));
    if (!tiff)
        throw std::runtime_error("libtiff refused " + path.toStdString());
    const tmsize_t tileSize = TIFFTileSize(tiff.get());
    const ttile_t tiles = TIFFNumberOfTiles(tiff.get());
    const auto samples = std::make_unique_for_overwrite<unsigned char[]>(size_t(tileSize) * tiles);
    for (ttile_t tile = 0; tile < tiles; ++tile)
        if (TIFFReadEncodedTile(tiff.get(), tile, samples.get() + size_t(tileSize) * tile, tileSize) < 0)
            throw std::runtime_error("libtiff could not decode " + path.toStdString());
    benchmark::DoNotOptimize(samples.get());
}

struct FirstFrameCase {
    std::string figure;
    std::string baseline;
    std::function<QString()> picture;
    std::function<void(const QString& path)> decodeAlone;
    double limit;
};

void firstExactFrame(benchmark::State& state, const FirstFrameCase& c) {
    const QString path = c.picture();
    BenchWindow window;
    Form1& form = window.form;
    FramePaints paints(form.Picture2.clientWidget(), form.Picture1.widget());
    std::vector<double> program;
    std::vector<double> reference;
    for (auto _ : state) {
        form.Picture1.clearPicture();
        BenchWindow::paintPending(form.window());
        paints.start();
        QImage picture;
        const double loaded = secondsOf([&] { picture = loadShown(window.loader, form.pane1, path); });
        program.push_back(paints.firstExact(picture, loaded));
        picture = QImage();
        reference.push_back(secondsOf([&] { c.decodeAlone(path); }));
        state.SetIterationTime(program.back());
    }
    summariseTimes(state, c.figure, c.baseline, program, reference, c.limit);
}

const bool registered = [] {
    const FirstFrameCase cases[] = {
        {"first exact frame of a 12000x8000 JPEG in pane 1", "tjDecompress2 of the file",
         [] {
             return BenchPictures::jpeg({12000, 8000});
         },
         decodeWithTurboJpeg, 0.10},
        {"first exact frame of a 23000x23000 PNG in pane 1", "png_image_finish_read of the file",
         [] {
             return BenchPictures::hugePng({23000, 23000});
         },
         decodeWithLibpng, 0.05},
        {"first exact frame of a 20000x20000 tiled TIFF in pane 1", "TIFFReadEncodedTile of every tile",
         [] {
             return BenchPictures::tiledTiff({20000, 20000});
         },
         decodeTilesWithLibtiff, 0.02},
    };
    for (const FirstFrameCase& c : cases)
        benchmark::RegisterBenchmark(
            ("firstExactFrame/" + c.figure.substr(c.figure.find(" of a ") + 6)).c_str(),
            [c](benchmark::State& state) { firstExactFrame(state, c); })
            ->Iterations(3)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
