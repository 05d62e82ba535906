#include "support/E2e.h"
#include "support/MainWindowLayout.h"
#include "support/MainWindowRig.h"
#include "support/Pictures.h"
#include "support/Settle.h"
#include "support/ToolFolder.h"
#include "support/Viewer.h"

#include <QtTest>

#include <memory>

// Every format the program reads, its file made by the format's own encoder, opened the three ways a person
// opens a file: typed into Open File 1's dialog, named on the command line and dropped on a pane. A pane
// shows what the format's own decoder gives, pixel for pixel within one level. Every file is named as a
// JPEG: the content decides. The program starts once for each way but the command line, which takes two
// files a start.
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
    // Makes the file from in.png; its last word names the file.
    const char* make;
    // The format's own decoder, from p.* to ref.png.
    const char* reference;
};

const Format formats[] = {
    {"webp", "cwebp -quiet -q 80 in.png -o p.webp", "dwebp -quiet p.webp -o ref.png"},
    {"tiff", "convert in.png -compress zip p.tif", "convert p.tif ref.png"},
    {"heic", "heif-enc -q 80 in.png -o p.heic", "heif-convert p.heic ref.png"},
    {"avif", "avifenc -s 10 in.png p.avif", "avifdec p.avif ref.png"},
    {"jxl", "cjxl in.png p.jxl", "djxl p.jxl ref.png"},
    {"jp2", "opj_compress -r 20 -i in.png -o p.jp2", "opj_decompress -quiet -i p.jp2 -o ref.png"},
    {"tga", "convert in.png -orient TopLeft -compress RLE p.tga", "convert p.tga -auto-orient ref.png"},
    {"psd", "convert in.png p.psd", "convert p.psd[0] ref.png"},
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
    for (int format = 0; format < formatCount; ++format) {
        const QByteArray bytes = tools_.run(QLatin1String(formats[format].make));
        QVERIFY2(!bytes.isEmpty(), formats[format].make);
        pictures::write(bytes, pictures_.path(), QFileInfo(path(format)).fileName());
        const QImage reference = QImage::fromData(tools_.run(QLatin1String(formats[format].reference)))
                                     .convertToFormat(QImage::Format_RGB32);
        QCOMPARE(reference.size(), pictureSize);
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
