#include "support/BuiltFormats.h"

#include <QBuffer>
#include <QDir>

namespace {

QString built(const char* name) {
    return QDir(qEnvironmentVariable("KESTRELLE_BUILD_DIR")).filePath(QString::fromLatin1(name));
}

} // namespace

picture::FormatModules& builtFormats() {
    static picture::FormatModules formats(built("formats"));
    return formats;
}

picture::SandboxedFormats& sandboxedFormats() {
    static picture::SandboxedFormats formats(built("kestrelle-decoder"), built("formats"));
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
