#include "support/FailureOf.h"
#include "support/PatchedBytes.h"
#include "support/Pictures.h"
#include "support/TestLoader.h"

#include "picture/FormatModules.h"
#include "picture/FormatSignatures.h"

#include <QBuffer>
#include <QFile>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

// Which reader a file goes to, by its content alone, and the modules that hold the readers.
class FormatRecognitionTest : public QObject {
    Q_OBJECT

private slots:
    void recognisesEachFormatByItsContent_data();
    void recognisesEachFormatByItsContent();
    void refusesFormatsWhoseModuleIsMissingOrBroken_data();
    void refusesFormatsWhoseModuleIsMissingOrBroken();
    void asksLibRawOfWhatNoSignatureClaims();
};

namespace {

// A TIFF whose first directory, past the first 4 KB as libtiff writes it, holds one SHORT a tag.
QByteArray tiff(std::initializer_list<std::pair<quint16, quint16>> tags) {
    constexpr quint32 directory = 5000;
    QByteArray bytes = QByteArray("II*\0", 4) + littleEndian<quint32>({directory});
    bytes += QByteArray(directory - bytes.size(), '\0') + littleEndian({quint16(tags.size())});
    for (const auto& [tag, value] : tags)
        bytes += littleEndian<quint16>({tag, 3, 1, 0, value, 0});
    return bytes + littleEndian<quint32>({0});
}

QByteArray isoMedia(const char* major, std::initializer_list<const char*> compatible) {
    QByteArray bytes(4, '\0');
    qToBigEndian(quint32(16 + 4 * compatible.size()), bytes.data());
    bytes += QByteArray("ftyp") + major + QByteArray(4, '\0');
    for (const char* brand : compatible)
        bytes += brand;
    return bytes + QByteArray("\0\0\0\x08mdat", 8);
}

QByteArray tgaHeader(int mapType, int type, int mapLength, int mapBits, int depth, int descriptor) {
    return QByteArray(1, '\0') + char(mapType) + char(type) + littleEndian<quint16>({0, quint16(mapLength)}) +
           char(mapBits) + littleEndian<quint16>({0, 0, 40, 30}) + char(depth) + char(descriptor) +
           QByteArray(64, '\x11');
}

} // namespace

void FormatRecognitionTest::recognisesEachFormatByItsContent_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("format");
    const QImage picture = pictures::coordinates(8, 8);
    QTest::newRow("jpeg") << pictures::encoded(picture, "jpeg") << "jpeg";
    QTest::newRow("png") << pictures::encoded(picture, "png") << "png";
    QTest::newRow("gif") << pictures::encoded(picture, "gif") << "gif";
    QTest::newRow("bmp") << pictures::encoded(picture, "bmp") << "bmp";
    QTest::newRow("ppm") << pictures::encoded(picture, "ppm") << "toolkit";
    QTest::newRow("random bytes") << pictures::noise(4096) << "toolkit";
    QTest::newRow("riff that is not webp") << QByteArray("RIFF\x20\0\0\0WAVEfmt ", 16) << "toolkit";
    QTest::newRow("tiff") << tiff({{256, 8}, {271, 1}}) << "tiff";
    QTest::newRow("big-endian tiff") << QByteArray("MM\0*\0\0\0\x08\0\0\0\0\0\0\0\0", 16) << "tiff";
    QTest::newRow("bigtiff") << QByteArray("II+\0\x08\0\0\0", 8) + QByteArray(16, '\0') << "tiff";
    QTest::newRow("cr2") << QByteArray("II*\0\x10\0\0\0CR\x02\0\0\0\0\0", 16) << "raw";
    QTest::newRow("dng") << tiff({{256, 8}, {50706, 1}}) << "raw";
    QTest::newRow("nef: a camera's preview over SubIFDs") << tiff({{254, 1}, {271, 1}, {330, 1}}) << "raw";
    QTest::newRow("colour filter array") << tiff({{256, 8}, {262, 32803}}) << "raw";
    QTest::newRow("orf") << QByteArray("IIRO\x08\0\0\0", 8) << "raw";
    QTest::newRow("rw2") << QByteArray("IIU\0\x08\0\0\0", 8) << "raw";
    QTest::newRow("raf") << QByteArray("FUJIFILMCCD-RAW 0201FF383501") << "raw";
    QTest::newRow("cr3") << isoMedia("crx ", {"crx ", "isom"}) << "raw";
    QTest::newRow("avif among the compatible brands") << isoMedia("mif1", {"miaf", "avif"}) << "avif";
    QTest::newRow("heif by its image brand alone") << isoMedia("mif1", {"mif1"}) << "heif";
    QTest::newRow("mp4 video") << isoMedia("mp42", {"isom", "mp42"}) << "toolkit";
    QTest::newRow("jpeg xl container") << QByteArray("\0\0\0\x0CJXL \r\n\x87\n\0\0\0\x14", 16) << "jxl";
    QTest::newRow("svg") << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"/>") << "svg";
    QTest::newRow("svg after what XML allows before it")
        << QByteArray("\xEF\xBB\xBF \n<?xml version=\"1.0\"?>\n<!-- <svg -->\n<!DOCTYPE svg [ <!ENTITY a "
                      "\"<b>\"> ]>\n<svg\n width=\"4\">")
        << "svg";
    QTest::newRow("xml that is not svg") << QByteArray("<?xml version=\"1.0\"?><svgfont/>") << "toolkit";
    QTest::newRow("tga true colour") << tgaHeader(0, 2, 0, 0, 24, 0) << "tga";
    QTest::newRow("tga colour-mapped, run-length") << tgaHeader(1, 9, 256, 24, 8, 0) << "tga";
    QTest::newRow("tga grey with alpha beside it") << tgaHeader(0, 3, 0, 0, 16, 8) << "tga";
    QTest::newRow("tga colour-mapped with alpha in its entries") << tgaHeader(1, 1, 16, 32, 8, 8) << "tga";
    QTest::newRow("tga-like header with more alpha than its pixels hold")
        << tgaHeader(0, 2, 0, 0, 24, 8) << "toolkit";
    QTest::newRow("tga by its footer")
        << pictures::noise(64) + QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.\0", 18) << "tga";
    QTest::newRow("tga-like header with a colour map it does not use")
        << tgaHeader(1, 2, 256, 24, 24, 0) << "toolkit";
    QTest::newRow("tga with a colour map it does not use, by its footer")
        << tgaHeader(1, 2, 256, 24, 24, 0) + QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.\0", 18)
        << "tga";
    QTest::newRow("icon") << QByteArray("\0\0\x01\0\x01\0\x10\x10\0\0\x01\0\x20\0", 14) + QByteArray(64, '\0')
                          << "toolkit";
}

void FormatRecognitionTest::recognisesEachFormatByItsContent() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, format);
    QBuffer file(&bytes);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const picture::Format recognised = picture::FormatSignatures::recognise(file);
    QCOMPARE(recognised.name, format);
    const bool builtIn = QStringList{"png", "bmp", "toolkit"}.contains(format);
    QCOMPARE(recognised.builtIn != nullptr, builtIn);
    QCOMPARE(file.pos(), 0);
}

void FormatRecognitionTest::refusesFormatsWhoseModuleIsMissingOrBroken_data() {
    QTest::addColumn<QByteArray>("module");
    QTest::newRow("no module") << QByteArray();
    QTest::newRow("a module that is not a library") << pictures::noise(8192);
    // A sound library, without the reader's entry point.
    QFile library(QLibraryInfo::path(QLibraryInfo::LibrariesPath) + "/libQt6Core.so.6");
    QVERIFY(library.open(QIODevice::ReadOnly));
    QTest::newRow("a library without a reader") << library.readAll();
    QFile otherInterface(OTHER_INTERFACE_MODULE);
    QVERIFY(otherInterface.open(QIODevice::ReadOnly));
    QTest::newRow("a module built for another interface") << otherInterface.readAll();
}

void FormatRecognitionTest::refusesFormatsWhoseModuleIsMissingOrBroken() {
    QFETCH(QByteArray, module);
    const QTemporaryDir folder;
    if (!module.isEmpty())
        pictures::write(module, folder.path(), "kestrelle-format-webp.so");
    picture::FormatModules formats(folder.path());
    const TestLoader loader(picture::LoadBudget::machineShare(), formats);
    QCOMPARE(failureOf([&] {
                 loader.load(
                     pictures::write(QByteArray("RIFF\x20\0\0\0WEBPVP8L", 16), folder.path(), "p.webp"));
             }),
             "Unsupported picture format");
}

void FormatRecognitionTest::asksLibRawOfWhatNoSignatureClaims() {
    const QTemporaryDir folder;
    const TestLoader loader;
    // A bare 8-bit sensor dump of 640 x 480, which LibRaw knows by its size alone.
    const QString dump = pictures::write(QByteArray(640 * 480, '\x80'), folder.path(), "dump.raw");
    QCOMPARE(loader.load(dump).size(), QSize(640, 480));
    const QString noise = pictures::write(pictures::noise(4096), folder.path(), "noise.raw");
    QCOMPARE(failureOf([&] { loader.load(noise); }), "Unsupported picture format");
    const QString text = pictures::write("this is not a picture\n", folder.path(), "note.jpg");
    QCOMPARE(failureOf([&] { loader.load(text); }), "Unsupported picture format");
}

QTEST_MAIN(FormatRecognitionTest)
#include "format_recognition_test.moc"
