#include "ui/Appearance.h"

#include "ui/SizedIconEngine.h"

#include <QtGlobal>

// The icon's resources live in the library, which the linker would otherwise leave out.
static void initResources() {
    Q_INIT_RESOURCE(kestrelle);
}

namespace ui {

void useScreenPixels() {
    bool ok = false;
    const double factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    if (ok && factor > 0 && !qFuzzyCompare(factor, 1.0) && !qEnvironmentVariableIsSet("QT_FONT_DPI"))
        qputenv("QT_FONT_DPI", QByteArray::number(qRound(96 * factor)));
}

QIcon applicationIcon() {
    static const QIcon icon = [] {
        initResources();
        return QIcon(
            new SizedIconEngine(QStringLiteral(":/kestrelle/icon/kestrelle-%1.png"), {32, 48, 128, 256}));
    }();
    return icon;
}

} // namespace ui
