#include "support/Ocr.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryFile>

namespace ocr {

namespace {

// Read from a copy twice the size: at the screen's own size the small type loses dots and underscores.
constexpr int enlargement = 2;

QString tesseract(const QImage& area, const QStringList& extra) {
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/kestrelle-ocr-XXXXXX.png"));
    if (!file.open() || !area.scaled(area.size() * enlargement).save(&file, "PNG"))
        return {};
    file.close();
    QProcess process;
    process.start(QStringLiteral("tesseract"),
                  QStringList{file.fileName(), QStringLiteral("stdout")} + extra);
    if (!process.waitForFinished(30000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

QString text(const QImage& area) {
    return tesseract(area, {});
}

QList<Word> words(const QImage& area) {
    QList<Word> found;
    // Columns: level page block paragraph line word left top width height confidence text.
    const QStringList rows = tesseract(area, {QStringLiteral("tsv")}).split(QLatin1Char('\n'));
    for (const QString& row : rows) {
        const QStringList cells = row.split(QLatin1Char('\t'));
        if (cells.size() < 12 || cells[0] != QLatin1String("5") || cells[11].trimmed().isEmpty())
            continue;
        const QRect box(cells[6].toInt(), cells[7].toInt(), cells[8].toInt(), cells[9].toInt());
        found.append({QRect(box.topLeft() / enlargement, box.size() / enlargement), cells[11].trimmed()});
    }
    return found;
}

QString letters(const QString& text) {
    QString kept;
    for (const QChar c : text)
        if (c.isLetterOrNumber())
            kept += c.toLower();
    return kept;
}

} // namespace ocr
