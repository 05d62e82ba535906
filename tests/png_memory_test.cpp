#include "support/DamagedPictures.h"
#include "support/FailureOf.h"
#include "support/Pictures.h"
#include "support/ProcessMemory.h"
#include "support/TestLoader.h"

#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

// The process may map only `room` more bytes while this lives, so that an allocation fails as it would on
// a machine without the memory.
class AddressSpaceCap {
public:
    explicit AddressSpaceCap(qint64 room) {
        getrlimit(RLIMIT_AS, &previous_);
        rlimit capped = previous_;
        capped.rlim_cur = std::min(previous_.rlim_cur, rlim_t(processMemory::mapped() + room));
        setrlimit(RLIMIT_AS, &capped);
    }
    ~AddressSpaceCap() { setrlimit(RLIMIT_AS, &previous_); }
    AddressSpaceCap(const AddressSpaceCap&) = delete;
    AddressSpaceCap& operator=(const AddressSpaceCap&) = delete;

private:
    rlimit previous_{};
};

} // namespace

// libpng refused memory, in a process of its own: another test's threads would leave heaps of their own
// with room inside, mapped already, where an allocation the cap refuses is met after all.
class PngMemoryTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { mallopt(M_ARENA_MAX, 1); }
    void reportsLibpngRunningOutOfMemory();
};

void PngMemoryTest::reportsLibpngRunningOutOfMemory() {
#ifdef __SANITIZE_ADDRESS__
    QSKIP("the sanitizer maps its own memory, beyond any cap");
#endif
    // One row of 360,000 pixels of 16-bit RGBA, as long as a pane can pan: libpng's two rows of 2.9 MB
    // do not both fit under the cap.
    const QTemporaryDir folder;
    const QImage wide = pictures::coordinates(8, 8).convertToFormat(QImage::Format_RGBA64);
    const QString path = pictures::write(damaged::pngClaiming(pictures::encoded(wide, "png"), 360'000, 1),
                                         folder.path(), "row.png");
    const TestLoader loader(qint64(1) << 40);
    // The heap's free room for such a row is taken first, so that libpng's rows need memory mapped anew.
    std::vector<std::unique_ptr<char[]>> taken;
    qint64 before = 0;
    do {
        before = processMemory::mapped();
        taken.push_back(std::make_unique_for_overwrite<char[]>(360'000 * 8));
    } while (processMemory::mapped() == before && taken.size() < 1000);
    QString failure;
    {
        const AddressSpaceCap cap(4 * 1024 * 1024);
        failure = failureOf([&] { loader.load(path); });
    }
    QCOMPARE(failure, "Out of memory");
}

QTEST_MAIN(PngMemoryTest)
#include "png_memory_test.moc"
