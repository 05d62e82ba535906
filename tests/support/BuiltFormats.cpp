#include "support/BuiltFormats.h"

#include <QBuffer>
#include <QDir>

picture::FormatModules& builtFormats() {
    static picture::FormatModules formats(
        QDir(qEnvironmentVariable("KESTRELLE_BUILD_DIR")).filePath("formats"));
    return formats;
}

picture::DecodedPicture decodedBy(picture::Reader reader, const QByteArray& bytes) {
    QBuffer file;
    file.setData(bytes);
    file.open(QIODevice::ReadOnly);
    picture::LoadBudget budget(64 * 1024 * 1024);
    picture::LoadBudget::Claim claim = budget.claim();
    picture::Progress unwatched;
    return reader(file, claim, unwatched);
}
