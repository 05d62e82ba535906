#include "support/DngFile.h"
#include "support/FailureOf.h"
#include "support/JpegWriter.h"
#include "support/Pictures.h"
#include "support/TestLoader.h"
#include "support/ToolFolder.h"

#include "desktop/Failures.h"
#include "picture/LoadBudget.h"
#include "picture/RowBands.h"
#include "picture/formats/FinalPixels.h"

#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <array>
#include <atomic>
#include <chrono>
#include <future>
#include <latch>
#include <optional>
#include <thread>

using picture::LoadBudget;

// The memory budget that picture loads share: what it lets through, what it refuses, and that loads
// running together stay within it; and the bands a load's work is split into.
class LoadBudgetTest : public QObject {
    Q_OBJECT

private slots:
    void claimsAddUpAndGoBack();
    void refusesWhatCanNeverFit();
    void loadsTakeTurnsWithinTheBudget();
    void loadsWaitingForEachOtherGiveWay();
    void largeClaimsWaitWhileHeld();
    void picturesLoadingTogetherShareTheBudget();
    void readersHoldingTheWholeFileCountIt_data();
    void readersHoldingTheWholeFileCountIt();
    void workInBandsEndsTogether();
    void loadsSideBySideShareTheCores();
};

void LoadBudgetTest::claimsAddUpAndGoBack() {
    LoadBudget budget(1000);
    {
        LoadBudget::Claim first = budget.claim(300);
        LoadBudget::Claim second = budget.claim();
        second.grow(200);
        const QImage pixels = second.rgb32(10, 10);
        QCOMPARE(pixels.format(), QImage::Format_RGB32);
        QCOMPARE(second.bytes(), 600);
        QCOMPARE(budget.held(), 900);
    }
    QCOMPARE(budget.held(), 0);
    QCOMPARE(budget.peak(), 900);
    // Wide samples take eight bytes a pixel.
    LoadBudget::Claim wide = budget.claim();
    QCOMPARE(picture::finalPixels(QSize(5, 2), true, true, 0, wide).format(), QImage::Format_RGBA64);
    QCOMPARE(wide.bytes(), 80);
}

void LoadBudgetTest::loadsSideBySideShareTheCores() {
    LoadBudget budget(1000, 4);
    std::optional<LoadBudget::Claim> first = budget.claim();
    QCOMPARE(first->cores(), 4);
    {
        const LoadBudget::Claim second = budget.claim(100);
        QCOMPARE(first->cores(), 2);
        const LoadBudget::Claim third = budget.claim();
        QCOMPARE(third.cores(), 1);
    }
    QCOMPARE(first->cores(), 4);
    // A claim moved on is still one load.
    const LoadBudget::Claim moved(std::move(*first));
    first.reset();
    QCOMPARE(moved.cores(), 4);
    // However many cores the machine has, a load's threads stay within what a helper may map.
    QCOMPARE(LoadBudget(1000, 64).claim().cores(), 8);
}

void LoadBudgetTest::refusesWhatCanNeverFit() {
    LoadBudget budget(4000);
    QCOMPARE(failureOf([&] { budget.refuseIfTooLarge(QSize(40, 25)); }), QString());
    QCOMPARE(failureOf([&] { budget.refuseIfTooLarge(QSize(40, 25), 1); }),
             "Picture too large: 40 x 25 pixels");
    QCOMPARE(failureOf([&] { budget.refuseIfTooLarge(QSize(65535, 65535)); }),
             "Picture too large: 65535 x 65535 pixels");
    // Either side no pane can pan, however much memory there is.
    const LoadBudget vast(qint64(1) << 40);
    QCOMPARE(failureOf([&] { vast.refuseIfTooLarge(QSize(1, 360437)); }), QString());
    QCOMPARE(failureOf([&] { vast.refuseIfTooLarge(QSize(360438, 1)); }),
             "Picture too large to pan: it passes its frame by more than 327670 pixels");
    // Wide samples that could never fit beside the bytes the colour stage makes of them.
    LoadBudget::Claim wide = budget.claim();
    QCOMPARE(failureOf([&] { picture::finalPixels(QSize(20, 25), true, false, 0, wide); }),
             "Picture too large: 20 x 25 pixels");
    QCOMPARE(wide.bytes(), 0);
    LoadBudget::Claim claim = budget.claim(3000);
    QCOMPARE(failureOf([&] { claim.grow(1001); }), "Out of memory");
    QCOMPARE(failureOf([&] { budget.claim(4001); }), "Out of memory");
    QCOMPARE(budget.held(), 3000);
    QCOMPARE(failureOf([&] { claim.grow(1000); }), QString()); // the budget to the byte
    QCOMPARE(budget.held(), 4000);
}

void LoadBudgetTest::loadsTakeTurnsWithinTheBudget() {
    // Each claim fits alone but no two together: every one waits its turn and none is refused.
    LoadBudget budget(100);
    std::vector<std::future<void>> loads;
    for (int i = 0; i < 4; ++i)
        loads.push_back(std::async(std::launch::async, [&] {
            for (int round = 0; round < 50; ++round) {
                const LoadBudget::Claim claim = budget.claim(60);
            }
        }));
    for (std::future<void>& load : loads)
        QCOMPARE(failureOf([&] { load.get(); }), QString());
    QCOMPARE(budget.peak(), 60);
    QCOMPARE(budget.held(), 0);
}

void LoadBudgetTest::loadsWaitingForEachOtherGiveWay() {
    // Two loads each hold part and need more than the other leaves: one is refused, the other goes on.
    LoadBudget budget(100);
    std::latch bothHold(2);
    const auto load = [&](qint64 first, qint64 more) {
        return std::async(std::launch::async, [&budget, &bothHold, first, more] {
            LoadBudget::Claim claim = budget.claim(first);
            bothHold.arrive_and_wait();
            return failureOf([&] { claim.grow(more); });
        });
    };
    std::future<QString> a = load(50, 40);
    std::future<QString> b = load(40, 50);
    QStringList outcomes{a.get(), b.get()};
    outcomes.sort();
    QCOMPARE(outcomes, QStringList({QString(), QStringLiteral("Out of memory")}));
    QCOMPARE(budget.held(), 0);
}

void LoadBudgetTest::largeClaimsWaitWhileHeld() {
    // A small picture's claims go through while a window is being built; a large one's wait for it, and
    // go through however the hold ends.
    constexpr qint64 megabyte = 1024 * 1024;
    LoadBudget budget(1024 * megabyte);
    for (const bool endedByRelease : {true, false}) {
        std::optional<LoadBudget::LargeClaimsHeld> held(std::in_place, budget);
        LoadBudget::Claim small = budget.claim(32 * megabyte);
        small.grow(96 * megabyte);
        std::future<void> large = std::async(std::launch::async, [&] { budget.claim(129 * megabyte); });
        QCOMPARE(large.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
        endedByRelease ? held->release() : held.reset();
        large.get();
        QCOMPARE(budget.peak(), 257 * megabyte);
    }
}

void LoadBudgetTest::picturesLoadingTogetherShareTheBudget() {
    // Room for one picture's pixels at a time: the loads take turns, and both pictures arrive whole.
    QTemporaryDir dir;
    const QImage picture = pictures::coordinates(600, 500);
    const qint64 pixelBytes = picture.sizeInBytes();
    const TestLoader loader(pixelBytes * 3 / 2);
    std::vector<std::future<QImage>> loads;
    for (const char* name : {"a.png", "b.png", "c.gif", "d.jpg"}) {
        const QString path =
            pictures::write(pictures::encoded(picture, QByteArray(name).sliced(2).constData()), dir.path(),
                            QString::fromLatin1(name));
        loads.push_back(std::async(std::launch::async, [&loader, path] { return loader.load(path); }));
    }
    for (std::future<QImage>& load : loads)
        QCOMPARE(load.get().size(), picture.size());
    QCOMPARE_LE(loader.budget.peak(), loader.budget.total());
    QCOMPARE_GE(loader.budget.peak(), pixelBytes);
}

namespace {

constexpr qint64 padding = 16 * 1024 * 1024;

// An ISO media box of padding bytes, which readers step over.
QByteArray freeBox() {
    QByteArray box(8, '\0');
    qToBigEndian(quint32(padding + 8), box.data());
    return box.replace(4, 4, "free") + QByteArray(padding, '\0');
}

// The JPEG with comments of padding bytes after its start marker.
QByteArray withComments(QByteArray jpeg) {
    QByteArray comments;
    for (qint64 written = 0; written < padding; written += 65533)
        comments += QByteArray("\xFF\xFE\xFF\xFF", 4) + QByteArray(65533, ' ');
    return jpeg.insert(2, comments);
}

} // namespace

void LoadBudgetTest::readersHoldingTheWholeFileCountIt_data() {
    // Small pictures in files made large by what their readers step over: the file's bytes dwarf the rest.
    QTest::addColumn<QByteArray>("bytes");
    ToolFolder tools;
    tools.save(pictures::coordinates(97, 64), "in.png");
    QTest::newRow("jxl") << tools.run("cjxl -d 0 --container=1 in.png p.jxl") + freeBox();
    QTest::newRow("heic") << tools.run("heif-enc -q 90 in.png -o p.heic") + freeBox();
    dng::Mosaic mosaic{.width = 64, .height = 48, .levels = {}, .asShotNeutral = {1, 1, 1}, .orientation = 1};
    mosaic.levels.fill({0.5, 0.4, 0.3}, 64 * 48);
    QTest::newRow("dng") << dng::write(mosaic) + QByteArray(padding, '\0');
    // Large enough, and with restart markers at its block rows, to be decoded in bands from the whole file.
    if (picture::bandsFor(1300 * 1000) >= 2)
        QTest::newRow("banded jpeg") << withComments(test::writeJpeg(
            pictures::coordinates(1300, 1000), {.iccProfile = {}, .exif = {}, .restartInterval = 82}));
}

void LoadBudgetTest::readersHoldingTheWholeFileCountIt() {
    QFETCH(QByteArray, bytes);
    QVERIFY(bytes.size() > padding);
    const QTemporaryDir dir;
    const TestLoader loader;
    QVERIFY(!loader.load(pictures::write(bytes, dir.path(), "p.pic")).isNull());
    QCOMPARE_GE(loader.budget.peak(), bytes.size());
}

void LoadBudgetTest::workInBandsEndsTogether() {
    // Small pictures are not split, and no picture into more bands than there are cores.
    QCOMPARE(picture::bandsFor(499'999), 1);
    QCOMPARE(picture::bandsFor(qint64(1) << 40), QThread::idealThreadCount());
    // Every band once, the first on this thread.
    std::array<std::atomic<int>, 5> runs{};
    std::thread::id first;
    picture::inBands(5, [&](int band) {
        ++runs[size_t(band)];
        if (band == 0)
            first = std::this_thread::get_id();
    });
    for (const std::atomic<int>& run : runs)
        QCOMPARE(run.load(), 1);
    QCOMPARE(first, std::this_thread::get_id());
    // The first band's failure reaches the load once the other bands are done with the pixels.
    std::atomic<int> done = 0;
    QCOMPARE(failureOf([&] {
                 picture::inBands(3, [&](int band) {
                     if (band == 0)
                         desktop::invalidPicture();
                     std::this_thread::sleep_for(std::chrono::milliseconds(50));
                     ++done;
                 });
             }),
             "Invalid picture");
    QCOMPARE(done.load(), 2);
}

QTEST_MAIN(LoadBudgetTest)
#include "load_budget_test.moc"
