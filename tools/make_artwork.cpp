#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out + "/Samples");
    QImage a(640, 480, QImage::Format_RGB32);
    a.fill(Qt::darkCyan);
    a.save(out + "/Samples/sample1.bmp", "BMP");
    a.fill(Qt::darkYellow);
    a.save(out + "/Samples/sample2.bmp", "BMP");
    QFile cur(out + "/HAND-M.CUR");
    return cur.open(QIODevice::WriteOnly) ? 0 : 1;
}
