#include "ui/skin/SkinFramework.h"

#include "desktop/Failure.h"
#include "ui/Form.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

namespace ui {

namespace {

constexpr qint64 maxSkinBytes = 1024 * 1024;

[[noreturn]] void invalidSkin() {
    throw desktop::Failure(QStringLiteral("Invalid skin file"));
}

QByteArray readSkinFile(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw desktop::Failure(QStringLiteral("File not found"));
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        throw desktop::Failure(QStringLiteral("Path/File access error"));
    // One byte over the limit is enough to know the file is too big.
    QByteArray data = file.read(maxSkinBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw desktop::Failure(QStringLiteral("Path/File access error"));
    return data;
}

QString decodeSkin(const QByteArray& data) {
    if (data.isEmpty() || data.size() > maxSkinBytes || data.contains('\0'))
        invalidSkin();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(data);
    if (utf8.hasError())
        invalidSkin();
    return text;
}

// A selector styles the type that opens its last compound: `QFrame > QPushButton:hover` styles buttons.
bool stylesPushButtons(const QString& selector) {
    qsizetype start = selector.size();
    int depth = 0;
    while (start > 0) {
        const QChar c = selector[start - 1];
        if (c == u']')
            ++depth;
        else if (c == u'[')
            --depth;
        else if (depth == 0 && (c.isSpace() || c == u'>' || c == u'+' || c == u'~'))
            break;
        --start;
    }
    QString type = selector.mid(start);
    if (type.startsWith(u'.'))
        type.remove(0, 1);
    static const QRegularExpression typeEnd(QStringLiteral("[#.:\\[]"));
    const qsizetype end = type.indexOf(typeEnd);
    return type.left(end) == QLatin1String("QPushButton");
}

QString sheetText(const QList<StyleRule>& rules, bool withButtons) {
    QString text;
    for (const StyleRule& rule : rules) {
        QStringList selectors = rule.selectors;
        if (!withButtons)
            selectors.removeIf(stylesPushButtons);
        if (!selectors.isEmpty())
            text += selectors.join(QLatin1String(", ")) + QLatin1String(" { ") + rule.declarations +
                    QLatin1String(" }\n");
    }
    return text;
}

} // namespace

void SkinFramework::loadSkin(const QString& path, const QString&) {
    const QString text = decodeSkin(readSkinFile(path));
    std::optional<QList<StyleRule>> rules = parseStyleSheet(text);
    if (!rules)
        invalidSkin();
    sheet_ = text;
    rules_ = std::move(*rules);
}

void SkinFramework::applyWindow(Form& form) {
    form.setStyleSheet(sheetText(rules_, options_ & SkinButtons));
}

} // namespace ui
