#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

// Reads text off the screen with tesseract, for message boxes and captions that only show as pixels.
namespace ocr {

struct Word {
    QRect box;
    QString text;
};

QString text(const QImage& area);
// Each word with its box in the area's own pixels.
QList<Word> words(const QImage& area);
// Letters and digits only, in lower case: what reading a screen tells reliably, as punctuation is
// easily misread.
QString letters(const QString& text);

} // namespace ocr
