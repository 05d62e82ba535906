#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString buildDir() {
    return qEnvironmentVariable("KESTRELLE_BUILD_DIR");
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QStringList programFiles = {QStringLiteral("HAND-M.CUR"), QStringLiteral("Samples/sample1.bmp"),
                                  QStringLiteral("Samples/sample2.bmp")};

} // namespace

class ArtworkTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(kestrelle); }

    void samplesAreTwoVersionsOfOneScene() {
        const QByteArray first = contents(buildDir() + "/Samples/sample1.bmp");
        const QByteArray second = contents(buildDir() + "/Samples/sample2.bmp");
        for (const QByteArray& bmp : {first, second}) {
            QVERIFY(bmp.startsWith("BM") && bmp.size() > 30);
            QCOMPARE(int(bmp[28]), 24);
        }
        const QImage a = QImage::fromData(first, "BMP");
        const QImage b = QImage::fromData(second, "BMP");
        QCOMPARE(a.size(), b.size());
        // Bigger than a picture pane both ways, so both can be panned.
        QVERIFY(a.width() > 253 && a.height() > 297);

        const int tile = 80;
        QSet<int> changedTiles;
        qint64 changed = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) {
                if (a.pixel(x, y) != b.pixel(x, y)) {
                    ++changed;
                    changedTiles.insert(y / tile * 1000 + x / tile);
                }
            }
        }
        const qint64 total = qint64(a.width()) * a.height();
        QVERIFY2(changed > total / 200 && changed < total / 5, qPrintable(QString::number(changed)));
        QVERIFY(changedTiles.size() >= 3);
    }

    void drawingIsDeterministic() {
        QTemporaryDir dir;
        QProcess tool;
        tool.start(buildDir() + "/make_artwork", {dir.path()});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        for (const QString& name : programFiles) {
            const QByteArray drawn = contents(dir.filePath(name));
            QVERIFY2(!drawn.isEmpty(), qPrintable(name));
            QVERIFY2(drawn == contents(buildDir() + "/" + name), qPrintable(name));
        }
    }

    void iconComesInEverySize() {
        for (const int size : {32, 48, 128, 256}) {
            const QImage icon(QStringLiteral(":/kestrelle/icon/kestrelle-%1.png").arg(size));
            QCOMPARE(icon.size(), QSize(size, size));
            QVERIFY(icon.hasAlphaChannel());
            QCOMPARE(qAlpha(icon.pixel(0, size - 1)), 0);
            QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
        }
    }
};

QTEST_MAIN(ArtworkTest)
#include "artwork_test.moc"
