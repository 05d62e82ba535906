#include "ui/Application.h"

#include "ui/SizedIconEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

// The icon's resources live in the library, which the linker would otherwise leave out.
static void initResources() {
    Q_INIT_RESOURCE(kestrelle);
}

namespace ui {

namespace {
QString& title() {
    static QString text = QStringLiteral("Kestrelle");
    return text;
}
} // namespace

void useScreenPixels() {
    bool ok = false;
    const double factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    if (ok && factor > 0 && !qFuzzyCompare(factor, 1.0) && !qEnvironmentVariableIsSet("QT_FONT_DPI"))
        qputenv("QT_FONT_DPI", QByteArray::number(qRound(96 * factor)));
}

QString applicationTitle() {
    return title();
}
void setApplicationTitle(const QString& text) {
    title() = text;
}

QString programFolder() {
    const QString executable = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    QString folder = QFileInfo(executable).absolutePath();
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return QDir::toNativeSeparators(folder);
}

QIcon applicationIcon() {
    static const QIcon icon = [] {
        initResources();
        return QIcon(
            new SizedIconEngine(QStringLiteral(":/kestrelle/icon/kestrelle-%1.png"), {32, 48, 128, 256}));
    }();
    return icon;
}

void endProgram() {
    QCoreApplication::exit(0);
}

} // namespace ui
