#include "support/BuiltFormats.h"

#include <QDir>

picture::FormatModules& builtFormats() {
    static picture::FormatModules formats(
        QDir(qEnvironmentVariable("KESTRELLE_BUILD_DIR")).filePath("formats"));
    return formats;
}
