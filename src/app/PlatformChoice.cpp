#include "app/PlatformChoice.h"

#include <QtGlobal>

QString PlatformChoice::platformFor(const QString& userChoice, const QString& xDisplay,
                                    const QString& waylandDisplay) {
    if (!userChoice.isEmpty())
        return {};
    if (!xDisplay.isEmpty())
        return QStringLiteral("xcb");
    if (!waylandDisplay.isEmpty())
        return QStringLiteral("wayland");
    return {};
}

void PlatformChoice::choose() {
    const QString platform =
        platformFor(qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("DISPLAY"),
                    qEnvironmentVariable("WAYLAND_DISPLAY"));
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform.toUtf8());
}
