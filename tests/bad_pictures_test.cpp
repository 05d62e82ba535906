#include "support/DamagedPictures.h"
#include "support/DngFile.h"
#include "support/ExrWriter.h"
#include "support/JpegWriter.h"
#include "support/MainWindowRig.h"
#include "support/PatchedBytes.h"
#include "support/Permissions.h"
#include "support/Pictures.h"
#include "support/ProcessMemory.h"
#include "support/ProcessReads.h"
#include "support/ToolFolder.h"

#include <QColorSpace>
#include <QtTest>

#include <optional>

#include <sys/stat.h>

// Bad files chosen through Open File 1 and 2 on the real main window: each is reported at the load, both
// panes keep what they showed, the pointer comes back, and neither the bytes read nor memory run away.
class BadPicturesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void badFileIsReportedAndBothPanesKeepTheirPictures_data();
    void badFileIsReportedAndBothPanesKeepTheirPictures();
    void oddlyNamedPicturesOpen_data();
    void oddlyNamedPicturesOpen();

private:
    std::unique_ptr<MainWindowRig> rig_;
};

namespace {

enum class Place { File, Folder, WithoutReadPermission, Pipe };

constexpr qint64 readBound = 48 * 1024 * 1024;
// Under the address sanitizer each thread a load starts (one converts colours beside the reader) keeps a
// fake stack of its own, tens of megabytes resident; a bomb's pixels are hundreds.
#ifdef __SANITIZE_ADDRESS__
constexpr qint64 memoryBound = 112 * 1024 * 1024;
#else
constexpr qint64 memoryBound = 48 * 1024 * 1024;
#endif

QString report(const QString& description, int pane) {
    return MainWindowRig::report(description, pane == 1 ? "PushButton3_Click" : "PushButton4_Click", 112);
}

// Puts the bad thing at folder/name and returns its path.
QString place(Place how, const QString& folder, const QString& name, const QByteArray& bytes) {
    const QDir dir(folder);
    switch (how) {
    case Place::File:
        return pictures::write(bytes, folder, name);
    case Place::Folder:
        dir.mkpath(name);
        return dir.filePath(name);
    case Place::WithoutReadPermission: {
        const QString path = pictures::write(bytes, folder, name);
        QFile::setPermissions(path, QFileDevice::Permissions());
        return path;
    }
    case Place::Pipe: {
        // Named like a picture, there for everyone and readable by no one, root included, as a file: opening
        // it would wait for a writer that never comes.
        const QString path = dir.filePath(name);
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
    }
    }
    return {};
}

} // namespace

void BadPicturesTest::initTestCase() {
    rig_ = std::make_unique<MainWindowRig>(QStringList(), MainWindowRig::Start::later);
    // The formats whose readers are modules: a failure thrown inside one reaches the window's report.
    QVERIFY(QFile::link(MainWindowRig::buildFile("formats"), QDir(rig_->folder.path()).filePath("formats")));
    rig_->start();
    rig_->open(1, pictures::coordinates(300, 200), QStringLiteral("keep1.png"));
    rig_->open(2, pictures::coordinates(150, 250), QStringLiteral("keep2.jpg"));
    QVERIFY(rig_->desktop.messages.isEmpty());
}

void BadPicturesTest::badFileIsReportedAndBothPanesKeepTheirPictures_data() {
    QTest::addColumn<int>("how");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("description");
    const QString invalid = QStringLiteral("Invalid picture");
    const auto file = int(Place::File);

    const QImage picture = pictures::coordinates(97, 64);
    for (const char* format : {"jpeg", "bmp", "gif", "png"}) {
        const QByteArray whole = pictures::encoded(picture, format);
        const QString name = QStringLiteral("cut.") + format;
        for (const qsizetype cut : {qsizetype(1), qsizetype(8), whole.size() / 4, whole.size() / 2,
                                    whole.size() * 3 / 4, whole.size() - 1})
            // One byte is no format's signature: no one recognises it.
            QTest::addRow("%s cut to %lld of %lld bytes", format, qint64(cut), qint64(whole.size()))
                << file << name << whole.left(cut)
                << (cut == 1 ? QStringLiteral("Unsupported picture format") : invalid);
    }

    ToolFolder tools;
    tools.save(picture, "in.png");
    for (const QString command :
         {"cwebp -quiet in.png -o p.webp", "convert in.png -compress zip p.tif", "cjxl in.png p.jxl",
          "opj_compress -i in.png -o p.jp2", "opj_compress -i in.png -o p.j2k",
          "convert in.png -compress RLE p.tga", "convert in.png p.psd", "heif-enc -q 90 in.png -o p.heic",
          "avifenc -s 10 in.png p.avif"}) {
        const QByteArray whole = tools.run(command);
        const QString name = command.split(' ').last();
        // Twelve bytes are too few for the signatures of some: no one recognises them.
        const bool unnamed = QStringList{"p.tga", "p.heic", "p.avif"}.contains(name);
        for (const qsizetype cut : {qsizetype(12), whole.size() / 2, whole.size() - 1})
            QTest::addRow("%s cut to %lld of %lld bytes", qPrintable(name), qint64(cut), qint64(whole.size()))
                << file << name << whole.left(cut)
                << (unnamed && cut == 12 ? QStringLiteral("Unsupported picture format") : invalid);
    }

    dng::Mosaic mosaic{.width = 97, .height = 64, .levels = {}, .asShotNeutral = {1, 1, 1}, .orientation = 1};
    for (int i = 0; i < mosaic.width * mosaic.height; ++i)
        mosaic.levels.append({i % 97 / 97.0, i / 97 / 64.0, 0.5});
    const QByteArray raw = dng::write(mosaic);
    for (const qsizetype cut : {qsizetype(12), raw.size() / 2, raw.size() - 1})
        QTest::addRow("dng cut to %lld of %lld bytes", qint64(cut), qint64(raw.size()))
            << file << "cut.dng" << raw.left(cut) << invalid;
    // Damaged directories, which LibRaw trusts to the point of crashing on some: the Make entry's text
    // placed past the end of the file, and the Compression entry of a type TIFF does not have.
    const qsizetype make = raw.indexOf(QByteArray("\x0f\x01\x02\0", 4));
    QTest::newRow("dng whose directory points past its end")
        << file << "past.dng" << QByteArray(raw).replace(make + 8, 4, QByteArray(4, '\xFF')) << invalid;
    QTest::newRow("dng whose directory has an entry of no known type")
        << file << "typeless.dng"
        << QByteArray(raw).replace(QByteArray("\x03\x01\x03\0", 4), QByteArray("\x03\x01\x73\x73", 4))
        << invalid;
    // Its Compression entry (tag 259, one SHORT) says 99 instead of 1.
    QByteArray unknown = raw;
    unknown.replace(QByteArray("\x03\x01\x03\0\x01\0\0\0\x01\0", 10),
                    QByteArray("\x03\x01\x03\0\x01\0\0\0\x63\0", 10));
    QTest::newRow("dng of a compression no camera writes")
        << file << "unknown.dng" << unknown << QStringLiteral("Unsupported picture format");
    const QByteArray svg(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"97\" height=\"64\"><circle r=\"9\"/></svg>");
    QTest::newRow("svg cut short") << file << "cut.svg" << svg.chopped(7) << invalid;
    QTest::newRow("svg of 100000 x 100000 pixels")
        << file << "huge.svg" << QByteArray(svg).replace("97", "100000").replace("64", "100000")
        << "Picture too large: 100000 x 100000 pixels";
    QTest::newRow("jxl of the largest sides a codestream holds")
        << file << "huge.jxl"
        << QByteArray("\xFF\x0A\x96") + QByteArray(88, '\xFF') + QByteArray("\x86\xE2\x38\xC6\x61\x06\xE1", 7)
        << "Picture too large: 1073741824 x 1073741811 pixels";

    const QByteArray random = pictures::noise(4096);
    for (const char* suffix : {"jpg", "jpeg", "bmp", "gif", "png"}) {
        const QString name = QStringLiteral("bad.") + suffix;
        QTest::addRow("zero bytes named .%s", suffix) << file << name << QByteArray() << invalid;
        QTest::addRow("random bytes named .%s", suffix)
            << file << name << random << QStringLiteral("Unsupported picture format");
    }
    QTest::newRow("jpeg signature then random bytes") << file << "sig.jpg"
                                                      << "\xFF\xD8\xFF" + random << invalid;
    QTest::newRow("bmp signature then random bytes") << file << "sig.bmp"
                                                     << "BM" + random << invalid;
    QTest::newRow("gif screen of 97 x 64 then random bytes")
        << file << "sig.gif" << QByteArray("GIF89a\x61\0\x40\0\0\0\0", 13) + random << invalid;
    QTest::newRow("png signature then random bytes")
        << file << "sig.png" << QByteArray("\x89PNG\r\n\x1A\n", 8) + random << invalid;
    QTest::newRow("webp signature then random bytes")
        << file << "sig.webp" << QByteArray("RIFF\0\x10\0\0WEBPVP8 ", 16) + random << invalid;
    QTest::newRow("psd header then random bytes")
        << file << "sig.psd"
        << QByteArray("8BPS\0\x01\0\0\0\0\0\0\0\x03\0\0\0\x40\0\0\0\x61\0\x08\0\x03", 26) + random << invalid;
    QTest::newRow("qoi header then random bytes")
        << file << "sig.qoi" << QByteArray("qoif\0\0\0\x61\0\0\0\x40\x04\0", 14) + random << invalid;
    QTest::newRow("tiff header then random bytes")
        << file << "sig.tif" << QByteArray("II*\0\x08\0\0\0", 8) + random << invalid;
    QTest::newRow("jxl signature then random bytes") << file << "sig.jxl"
                                                     << "\xFF\x0A" + random << invalid;
    QTest::newRow("j2k signature then random bytes") << file << "sig.j2k"
                                                     << "\xFF\x4F\xFF\x51" + random << invalid;
    QTest::newRow("exr signature then random bytes") << file << "sig.exr"
                                                     << "\x76\x2F\x31\x01" + random << invalid;
    test::ExrShape depth(97, 64, [](int x, int) { return test::LinearPixel{x / 97.0f, 0, 0, 1}; });
    depth.channels = {{"A", 'A'}, {"Z", 'R'}, {"normal.X", 'R'}};
    QTest::newRow("exr of depth, alpha and normals alone")
        << file << "depth.exr" << test::writeExr(depth) << QStringLiteral("Unsupported picture format");

    const QByteArray jpeg = pictures::encoded(picture, "jpeg");
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    QTest::newRow("jpeg of 200 bytes claiming 65500 x 65500")
        << file << "huge.jpg"
        << patchedBigEndian(patchedBigEndian(jpeg, frame + 5, 65500), frame + 7, 65500).left(200)
        << "Picture too large: 65500 x 65500 pixels";
    QTest::newRow("jpeg of 12-bit samples")
        << file << "deep.jpg" << QByteArray(jpeg).replace(frame + 4, 1, "\x0C")
        << "Unsupported picture format";
    QTest::newRow("lossless jpeg") << file << "lossless.jpg" << QByteArray(jpeg).replace(frame + 1, 1, "\xC3")
                                   << "Unsupported picture format";
    QTest::newRow("jpeg of 3-bit samples")
        << file << "odd.jpg" << QByteArray(jpeg).replace(frame + 4, 1, "\x03") << invalid;
    const QByteArray bmp = pictures::encoded(picture, "bmp");
    QTest::newRow("bmp claiming 60000 x 60000")
        << file << "huge.bmp" << patched<qint32>(patched<qint32>(bmp, 18, 60000), 22, 60000)
        << "Picture too large: 60000 x 60000 pixels";
    QTest::newRow("bmp claiming 8000 x 4000 with 4 KB of data")
        << file << "big.bmp" << patched<qint32>(patched<qint32>(bmp, 18, 8000), 22, 4000).left(4096)
        << invalid;
    const QByteArray gif = pictures::encoded(picture, "gif");
    QTest::newRow("gif with a 65535 x 65535 logical screen")
        << file << "huge.gif" << patched<quint16>(patched<quint16>(gif, 6, 65535), 8, 65535)
        << "Picture too large: 65535 x 65535 pixels";

    // Damage inside the compressed data, where the outline of the file is sound.
    const QByteArray photo = pictures::encoded(pictures::coordinates(240, 160), "jpeg");
    QTest::newRow("jpeg with 24 scan bytes flipped")
        << file << "flipped.jpg" << damaged::jpegWithFlippedScanBytes(photo, 24) << invalid;
    QTest::newRow("jpeg with a third of its scan zeroed")
        << file << "zeroed.jpg" << damaged::jpegWithZeroedScanThird(photo) << invalid;
    QTest::newRow("jpeg cut halfway with its end marker")
        << file << "cut.jpg" << damaged::jpegCutWithEndMarker(photo) << invalid;
    // Its colours are converted beside the reader while it reads: that work must end before the refusal.
    const QByteArray tagged = test::writeJpeg(
        pictures::coordinates(1000, 600), {.iccProfile = QColorSpace(QColorSpace::AdobeRgb).iccProfile()});
    QTest::newRow("jpeg in Adobe RGB cut at three quarters")
        << file << "tagged.jpg" << tagged.left(tagged.size() * 3 / 4) << invalid;
    QTest::newRow("jpeg of a few hundred bytes claiming 23000 x 23000")
        << file << "claims.jpg" << damaged::jpegClaiming(photo, 23000, 23000) << invalid;
    test::JpegShape scans;
    scans.progressiveRefinementBits = 2;
    QTest::newRow("progressive jpeg of 192 scans")
        << file << "scans.jpg" << test::writeJpeg(pictures::coordinates(400, 300), scans) << invalid;
    QTest::newRow("gif whose LZW data stops at a third")
        << file << "short.gif" << damaged::gifWithShortLzw(pictures::coordinates(64, 48)) << invalid;
    const QByteArray pgm = damaged::plainNetpbm(pictures::coordinates(30, 20), false);
    QTest::newRow("plain pgm missing its last value")
        << file << "short.pgm" << pgm.left(pgm.lastIndexOf(' ') + 1) << invalid;
    const QByteArray bitmap = damaged::xbm(pictures::coordinates(64, 48));
    QTest::newRow("xbm cut at half") << file << "half.xbm" << bitmap.left(bitmap.size() / 2) << invalid;
    QTest::newRow("xbm of 90 bytes claiming 20000 x 20000")
        << file << "claims.xbm"
        << QByteArray(
               "#define b_width 20000\n#define b_height 20000\nstatic char b_bits[] = {\n0x00, 0x01 };\n")
        << invalid;
    QTest::newRow("ppm header over the limit")
        << file << "huge.ppm" << QByteArray("P6\n60000 60000\n255\n") + random
        << "Picture too large: 60000 x 60000 pixels";

    QTest::newRow("folder") << int(Place::Folder) << "folder.jpg" << QByteArray() << "Path/File access error";
    QTest::newRow("file without read permission")
        << int(Place::WithoutReadPermission) << "unreadable.bmp" << bmp << "Path/File access error";
    QTest::newRow("pipe named like a picture")
        << int(Place::Pipe) << "pipe.bmp" << QByteArray() << "Path/File access error";
}

void BadPicturesTest::badFileIsReportedAndBothPanesKeepTheirPictures() {
    QFETCH(int, how);
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, description);
    const auto placement = Place(how);
    const bool needsPermissions = placement == Place::WithoutReadPermission;
    QTemporaryDir folder(QDir(rig_->folder.path()).filePath(QStringLiteral("case-XXXXXX")));
    const QString path = place(placement, folder.path(), name, bytes);
    QVERIFY(!path.isEmpty());
    const auto unlock =
        qScopeGuard([&] { QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner); });
    if (needsPermissions) {
        const PermissionsEnforced enforced;
        if (QFile probe(path); probe.open(QIODevice::ReadOnly))
            QSKIP("file permissions do not bind this process, even without its overriding capabilities");
    }

    Form1& f = *rig_->form;
    const qint64 handles[] = {f.Picture1.pictureHandle(), f.Picture4.pictureHandle()};
    const QImage shown[] = {f.Picture1.image().copy(), f.Picture4.image().copy()};
    for (const int pane : {1, 2}) {
        rig_->desktop.messages.clear();
        rig_->desktop.fileAnswers.push_back(path);
        const PeakMemoryWatch memory;
        const ReadWatch reads;
        {
            std::optional<PermissionsEnforced> enforced;
            if (needsPermissions)
                enforced.emplace();
            pane == 1 ? f.PushButton3_Click() : f.PushButton4_Click();
        }
        QCOMPARE_LT(reads.growth(), readBound);
        QCOMPARE_LT(memory.growth(), memoryBound);
        QCOMPARE(rig_->desktop.messageTexts(), QStringList{report(description, pane)});
        QCOMPARE(rig_->desktop.messages[0].title, QStringLiteral("Application Error"));
        QCOMPARE(f.Picture1.pictureHandle(), handles[0]);
        QCOMPARE(f.Picture4.pictureHandle(), handles[1]);
        QCOMPARE(f.Picture1.image(), shown[0]);
        QCOMPARE(f.Picture4.image(), shown[1]);
        QCOMPARE(f.mousePointer(), int(ui::Form::Default));
    }
}

void BadPicturesTest::oddlyNamedPicturesOpen_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("png named .jpg") << "photo.jpg" << QByteArray("png");
    QTest::newRow("spaces") << "  two  spaces .bmp" << QByteArray("bmp");
    QTest::newRow("quotes") << "say \"cheese\" it's.gif" << QByteArray("gif");
    QTest::newRow("non-ASCII letters") << QStringLiteral("Ærøskøbing ñ 写真 Ωμέγα.png") << QByteArray("png");
    QTest::newRow("leading dash") << "-rf.bmp" << QByteArray("bmp");
    QTest::newRow("leading double dash") << "--help.png" << QByteArray("png");
    QTest::newRow("shell characters") << "a;b&c|d$(e)`f`<g>.bmp" << QByteArray("bmp");
}

void BadPicturesTest::oddlyNamedPicturesOpen() {
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    // 256 colours, so that every format keeps each pixel exactly.
    const QImage picture = pictures::coordinates(16, 16);
    const QString path =
        pictures::write(pictures::encoded(picture, format.constData()), rig_->folder.path(), name);
    Form1& f = *rig_->form;
    for (const int pane : {1, 2}) {
        ui::PictureBox& box = pane == 1 ? f.Picture1 : f.Picture4;
        const qint64 before = box.pictureHandle();
        rig_->desktop.messages.clear();
        rig_->desktop.fileAnswers.push_back(path);
        pane == 1 ? f.PushButton3_Click() : f.PushButton4_Click();
        QVERIFY2(rig_->desktop.messages.isEmpty(), qPrintable(rig_->desktop.messageTexts().join('\n')));
        QVERIFY(box.pictureHandle() != 0 && box.pictureHandle() != before);
        QCOMPARE(box.image(), picture);
        QCOMPARE(f.mousePointer(), int(ui::Form::Default));
    }
}

QTEST_MAIN(BadPicturesTest)
#include "bad_pictures_test.moc"
