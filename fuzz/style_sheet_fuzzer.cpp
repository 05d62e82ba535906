// Any bytes as a skin file: the checker decides, loading fails cleanly, and whatever it accepts the toolkit
// can take as a window's style sheet.
#include "QuietOffscreen.h"
#include "desktop/Failure.h"
#include "ui/Form.h"
#include "ui/skin/SkinFramework.h"
#include "ui/skin/StyleSheetCheck.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <new>

namespace {

QString skinPath() {
    static const QTemporaryDir dir;
    return dir.filePath(QStringLiteral("o.cjs"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    quietOffscreen();
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ui::Form form(QStringLiteral("Fuzz"), 3000, 2000, ui::Form::BorderStyle::FixedSingle);
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ui::parseStyleSheet(QString::fromUtf8(bytes));

    QFile file(skinPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    file.close();
    ui::SkinFramework skin;
    try {
        skin.loadSkin(file.fileName(), QString());
    } catch (const desktop::Failure&) {
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    // Both ways of dressing: with the buttons, and without the rules that style them.
    skin.applyWindow(form);
    skin.setOptions(ui::SkinFramework::SkinButtons);
    skin.applyWindow(form);
    return 0;
}
