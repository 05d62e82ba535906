// Draws the artwork that ships with the program: the hand pointer and the two sample pictures, or with
// --icons the application icon at every size the resources list.
#include "AppIcon.h"
#include "CursorWriter.h"
#include "HandPointer.h"
#include "Landscape.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeProgramFiles(const QString& out) {
    if (!QDir().mkpath(out + "/Samples"))
        return false;
    const HandPointer hand = drawHandPointer();
    return writeFile(out + "/HAND-M.CUR", cursorFileBytes(hand.image, hand.hotSpot)) &&
           drawLandscape(false).save(out + "/Samples/sample1.bmp", "BMP") &&
           drawLandscape(true).save(out + "/Samples/sample2.bmp", "BMP");
}

bool writeIcons(const QString& out) {
    if (!QDir().mkpath(out))
        return false;
    for (const int size : {32, 48, 128, 256}) {
        if (!drawAppIcon(size).save(QStringLiteral("%1/kestrelle-%2.png").arg(out).arg(size), "PNG"))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    bool written = false;
    if (args.size() == 2 && args[0] == QLatin1String("--icons"))
        written = writeIcons(args[1]);
    else if (args.size() == 1)
        written = writeProgramFiles(args[0]);
    else
        QTextStream(stderr) << "usage: make_artwork <outdir> | make_artwork --icons <dir>\n";
    return written ? 0 : 1;
}
