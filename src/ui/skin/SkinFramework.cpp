#include "ui/skin/SkinFramework.h"

#include "desktop/Failure.h"
#include "desktop/Failures.h"
#include "desktop/Files.h"
#include "ui/Form.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <optional>
#include <utility>

namespace ui {

namespace {

constexpr qint64 maxSkinBytes = 1024 * 1024;

QByteArray readSkinFile(const QString& path) {
    // One byte over the limit is enough to know the file is too big.
    return desktop::readRegularFile(path, maxSkinBytes + 1, desktop::accessError);
}

QString decodeSkin(const QByteArray& data) {
    if (data.isEmpty() || data.size() > maxSkinBytes || data.contains('\0'))
        desktop::invalidSkin();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(data);
    if (utf8.hasError())
        desktop::invalidSkin();
    return text;
}

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'-' || c == u'_';
}

// The text of the quoted string that opens at `start`, and the index just past it; nothing if it does not
// close.
std::optional<std::pair<QString, qsizetype>> quoted(const QString& text, qsizetype start) {
    const QChar quote = text[start];
    QString value;
    for (qsizetype i = start + 1; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size())
            value += text[++i];
        else if (text[i] == quote)
            return std::pair{value, i + 1};
        else
            value += text[i];
    }
    return std::nullopt;
}

// Checked on the opened file, as every file the program reads; the toolkit opens it again by name to draw.
bool isRegularFile(const QString& path) {
    QFile file(path);
    try {
        desktop::openRegularFile(file, desktop::accessError);
        return true;
    } catch (const desktop::Failure&) {
        return false;
    }
}

// A picture that the skin names must be a regular file inside the program folder: a pipe or a device would
// hold the window while it is drawn. Relative names start from the skin file's folder.
std::optional<QString> pictureFile(const QString& name, const QDir& skinFolder,
                                   const QString& programFolder) {
    const QString root = QFileInfo(programFolder).canonicalFilePath();
    const QString file = QFileInfo(skinFolder, name).canonicalFilePath();
    if (name.isEmpty() || root.isEmpty() || file.isEmpty() || !file.startsWith(root + u'/') ||
        !isRegularFile(file))
        return std::nullopt;
    return file;
}

// The declarations with each url(...) naming its picture by full path, since the toolkit would look for a
// relative one from wherever the program was started; nothing when a url is malformed or names anything
// but a picture file of the program's own.
std::optional<QString> withPictureFiles(const QString& declarations, const QDir& skinFolder,
                                        const QString& programFolder) {
    QString out;
    qsizetype i = 0;
    while (i < declarations.size()) {
        const QChar c = declarations[i];
        if (c == u'"' || c == u'\'') {
            const auto string = quoted(declarations, i);
            if (!string)
                return std::nullopt;
            out += declarations.mid(i, string->second - i);
            i = string->second;
            continue;
        }
        const bool url = declarations.mid(i, 4).compare(QLatin1String("url("), Qt::CaseInsensitive) == 0 &&
                         (i == 0 || !isNameChar(declarations[i - 1]));
        if (!url) {
            out += c;
            ++i;
            continue;
        }
        qsizetype at = i + 4;
        while (at < declarations.size() && declarations[at].isSpace())
            ++at;
        QString name;
        if (at < declarations.size() && (declarations[at] == u'"' || declarations[at] == u'\'')) {
            const auto string = quoted(declarations, at);
            if (!string)
                return std::nullopt;
            name = string->first;
            at = string->second;
            while (at < declarations.size() && declarations[at].isSpace())
                ++at;
        } else {
            const qsizetype close = declarations.indexOf(u')', at);
            if (close < 0)
                return std::nullopt;
            name = declarations.mid(at, close - at).trimmed();
            at = close;
        }
        if (at >= declarations.size() || declarations[at] != u')')
            return std::nullopt;
        const std::optional<QString> file = pictureFile(name, skinFolder, programFolder);
        if (!file)
            return std::nullopt;
        QString escaped = *file;
        escaped.replace(u'\\', QLatin1String("\\\\")).replace(u'"', QLatin1String("\\\""));
        out += QLatin1String("url(\"") + escaped + QLatin1String("\")");
        i = at + 1;
    }
    return out;
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
    const auto end =
        std::find_if(type.cbegin(), type.cend(), [](QChar c) { return QStringView(u"#.:[").contains(c); });
    return QStringView(type.cbegin(), end) == QLatin1String("QPushButton");
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
        desktop::invalidSkin();
    const QDir skinFolder = QFileInfo(path).absoluteDir();
    for (StyleRule& rule : *rules) {
        std::optional<QString> declarations = withPictureFiles(rule.declarations, skinFolder, programFolder_);
        if (!declarations)
            desktop::invalidSkin();
        rule.declarations = std::move(*declarations);
    }
    sheet_ = text;
    rules_ = std::move(*rules);
}

void SkinFramework::applyWindow(Form& form) {
    form.setStyleSheet(sheetText(rules_, options_ & SkinButtons));
}

} // namespace ui
