#include "support/DngFile.h"
#include "support/E2e.h"
#include "support/ExrWriter.h"
#include "support/MainWindowLayout.h"
#include "support/MainWindowRig.h"
#include "support/Pictures.h"
#include "support/QoiFile.h"
#include "support/Settle.h"
#include "support/ToolFolder.h"
#include "support/Viewer.h"

#include <QtTest>

#include <cmath>
#include <memory>

// Every format the program reads, opened the three ways a person opens a file: typed into Open File 1's
// dialog, named on the command line and dropped on a pane. Each file is made by the format's own encoder,
// or, where Debian has none (OpenEXR, camera RAW, SVG, QOI), written by the test. A pane shows what the
// format's own decoder gives, pixel for pixel within one level; where Debian has no decoder either, the
// picture the file was written from. Every file is named as a JPEG: the content decides. The program
// starts once for each way but the command line, which takes two files a start.
class FormatsE2e : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void openedThroughOpenFile1();
    void namedOnTheCommandLine();
    void droppedOnAPane();

private:
    // "webp in pane 1 off by 7; ..." for each of the formats opened into panes 1 and 2 in turn that the
    // screen does not show as its decoder does; empty when every pane does.
    QString mismatches(const QList<int>& formatsInPanes) const;
    QString path(int format) const;
    void start(const QStringList& arguments = {});

    ToolFolder tools_;
    QTemporaryDir pictures_;
    QList<QImage> references_;
    std::unique_ptr<XSession> session_;
    std::unique_ptr<Viewer> viewer_;
};

namespace {

struct Format {
    const char* name;
    // Makes the file from in.png with the format's own encoder; its last word names the file.
    const char* make;
    // Or writes the file's bytes from in.png's picture, as p.<name>.
    QByteArray (*write)(const QImage& in);
    // The format's own decoder, from p.* to the ref.* it names; none where the expected picture is in.png.
    const char* reference;
};

// An 8-bit sRGB level as linear light.
double linear(int level) {
    const double encoded = level / 255.0;
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

// Developed by LibRaw with the program's settings, auto-brightness and all, the levels come out as the
// program's own.
QByteArray dngOf(const QImage& in) {
    dng::Mosaic mosaic{.width = in.width(), .height = in.height(), .levels = {}, .asShotNeutral = {1, 1, 1}};
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x) {
            const QRgb pixel = in.pixel(x, y);
            mosaic.levels.append({linear(qRed(pixel)), linear(qGreen(pixel)), linear(qBlue(pixel))});
        }
    return dng::write(mosaic);
}

// Linear light whose sRGB levels are in.png's; Debian has no tool that turns OpenEXR into anything else.
QByteArray exrOf(const QImage& in) {
    return test::writeExr(test::ExrShape(in.width(), in.height(), [&in](int x, int y) {
        const QRgb pixel = in.pixel(x, y);
        return test::LinearPixel{float(linear(qRed(pixel))), float(linear(qGreen(pixel))),
                                 float(linear(qBlue(pixel))), 1};
    }));
}

// in.png drawn one to one from inside the document.
QByteArray svgOf(const QImage& in) {
    return QStringLiteral(
               "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
               "width=\"%1\" height=\"%2\"><image width=\"%1\" height=\"%2\" "
               "xlink:href=\"data:image/png;base64,%3\"/></svg>")
        .arg(in.width())
        .arg(in.height())
        .arg(QString::fromLatin1(pictures::encoded(in, "png").toBase64()))
        .toUtf8();
}

const Format formats[] = {
    {"webp", "cwebp -quiet -q 80 in.png -o p.webp", nullptr, "dwebp -quiet p.webp -o ref.png"},
    {"tiff", "convert in.png -compress zip p.tif", nullptr, "convert p.tif ref.png"},
    {"heic", "heif-enc -q 80 in.png -o p.heic", nullptr, "heif-convert p.heic ref.png"},
    {"avif", "avifenc -s 10 in.png p.avif", nullptr, "avifdec p.avif ref.png"},
    {"jxl", "cjxl in.png p.jxl", nullptr, "djxl p.jxl ref.png"},
    {"jp2", "opj_compress -r 20 -i in.png -o p.jp2", nullptr, "opj_decompress -quiet -i p.jp2 -o ref.png"},
    {"tga", "convert in.png -orient TopLeft -compress RLE p.tga", nullptr,
     "convert p.tga -auto-orient ref.png"},
    {"psd", "convert in.png p.psd", nullptr, "convert p.psd[0] ref.png"},
    // Camera white balance, AHD, sRGB, 8 bits: as the program develops a raw file.
    {"dng", nullptr, dngOf, "dcraw_emu -w -q 3 -o 1 -Z ref.ppm p.dng"},
    {"exr", nullptr, exrOf, nullptr},
    {"svg", nullptr, svgOf, nullptr},
    {"qoi", nullptr, test::qoi, nullptr},
};
constexpr int formatCount = int(std::size(formats));

// Larger than a pane, so that the pane shows the picture's top left and nothing else.
constexpr QSize pictureSize(320, 360);

QList<QList<int>> pairsOfFormats() {
    QList<QList<int>> pairs;
    for (int format = 0; format < formatCount; format += 2)
        pairs << (format + 1 < formatCount ? QList<int>{format, format + 1} : QList<int>{format});
    return pairs;
}

// The picture a decoder's command line writes, which the word starting "ref." names; null when it failed.
QImage decodedByItsTool(ToolFolder& tools, const QString& command) {
    const QString picture =
        command.split(QLatin1Char(' ')).filter(QRegularExpression(QStringLiteral("^ref\\."))).value(0);
    return tools.run(command).isEmpty() ? QImage() : QImage(tools.path(picture));
}

QPoint middle(QRect rect) {
    return rect.topLeft() + QPoint(rect.width() / 2, rect.height() / 2);
}

} // namespace

void FormatsE2e::initTestCase() {
    QVERIFY(pictures_.isValid());
    // Hard edges and smooth shading, which every lossy encoder changes a little.
    QImage in = pictures::coordinates(pictureSize.width(), pictureSize.height());
    for (int y = 40; y < 120; ++y)
        for (int x = 30; x < 200; ++x)
            in.setPixel(x, y, (x / 8 + y / 8) % 2 ? qRgb(250, 20, 30) : qRgb(10, 40, 230));
    tools_.save(in, QStringLiteral("in.png"));
    for (int index = 0; index < formatCount; ++index) {
        const Format& format = formats[index];
        QByteArray bytes;
        if (format.make)
            bytes = tools_.run(QLatin1String(format.make));
        else
            tools_.write(bytes = format.write(in), QStringLiteral("p.%1").arg(QLatin1String(format.name)));
        QVERIFY2(!bytes.isEmpty(), format.name);
        pictures::write(bytes, pictures_.path(), QFileInfo(path(index)).fileName());
        const QImage reference =
            (format.reference ? decodedByItsTool(tools_, QLatin1String(format.reference)) : in)
                .convertToFormat(QImage::Format_RGB32);
        QVERIFY2(reference.size() == pictureSize, format.name);
        references_ << reference;
    }
    session_ = std::make_unique<XSession>(e2e::screenSize);
    QVERIFY2(session_->failure().isEmpty(), qPrintable(session_->failure()));
}

void FormatsE2e::cleanup() {
    e2e::keepScreenIfFailed(*session_);
    viewer_.reset();
}

QString FormatsE2e::path(int format) const {
    return pictures_.filePath(QStringLiteral("%1-photo.jpg").arg(QLatin1String(formats[format].name)));
}

void FormatsE2e::start(const QStringList& arguments) {
    viewer_ = std::make_unique<Viewer>(*session_, e2e::program(), arguments, session_->programEnvironment());
    QVERIFY2(viewer_->waitForMainWindow(), "the main window did not show");
}

QString FormatsE2e::mismatches(const QList<int>& formatsInPanes) const {
    const QImage screen = session_->screenshot();
    QStringList seen;
    for (int pane = 1; pane <= formatsInPanes.size(); ++pane) {
        const int format = formatsInPanes[pane - 1];
        const QImage area = viewer_->pictureArea(screen, pane);
        const int difference =
            pictures::largestDifference(area, references_[format].copy(QRect(QPoint(), area.size())));
        if (difference > 1)
            seen << QStringLiteral("%1 in pane %2 off by %3")
                        .arg(QLatin1String(formats[format].name))
                        .arg(pane)
                        .arg(difference);
    }
    return seen.join(QStringLiteral("; "));
}

void FormatsE2e::openedThroughOpenFile1() {
    start();
    for (int format = 0; format < formatCount; ++format) {
        viewer_->clickButton(QStringLiteral("Open File 1"));
        QVERIFY(viewer_->chooseInFileDialog(path(format)));
        QCOMPARE(settle([&] { return mismatches({format}); }, QString()), QString());
    }
}

void FormatsE2e::namedOnTheCommandLine() {
    for (const QList<int>& pair : pairsOfFormats()) {
        QStringList arguments;
        for (const int format : pair)
            arguments << path(format);
        start(arguments);
        QCOMPARE(settle([&] { return mismatches(pair); }, QString()), QString());
        viewer_.reset();
    }
}

// Two files dropped together fill both panes; one fills the pane it fell on.
void FormatsE2e::droppedOnAPane() {
    start();
    const QPoint target = viewer_->onScreen(middle(layout::pictureArea(1)));
    for (const QList<int>& pair : pairsOfFormats()) {
        QStringList arguments;
        for (const int format : pair)
            arguments << path(format);
        ChildProcess source(qEnvironmentVariable("KESTRELLE_DRAG_SOURCE"),
                            arguments << QStringLiteral("-geometry") << QStringLiteral("+1000+800"),
                            session_->programEnvironment());
        const QString window = viewer_->waitForWindow(QStringLiteral("^Drag Source$"));
        QVERIFY2(!window.isEmpty(), "the drag source did not show");
        const QPoint from = middle(session_->clientRect(window));
        session_->run(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QString::number(from.x()), QString::number(from.y()),
                       QStringLiteral("mousedown"), QStringLiteral("1")});
        QVERIFY(source.process().waitForReadyRead(10000));
        QCOMPARE(source.process().readLine().trimmed(), QByteArray("dragging"));
        // Released before the pane has answered that it takes the files, the drag would be cancelled.
        for (const QPoint at : {target - QPoint(20, 20), target})
            session_->run(QStringLiteral("xdotool"),
                          {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
        QVERIFY(source.process().waitForReadyRead(10000));
        QCOMPARE(source.process().readLine().trimmed(), QByteArray("taken"));
        session_->run(QStringLiteral("xdotool"), {QStringLiteral("mouseup"), QStringLiteral("1")});
        QCOMPARE(settle([&] { return mismatches(pair); }, QString()), QString());
    }
}

QTEST_GUILESS_MAIN(FormatsE2e)
#include "formats_e2e.moc"
