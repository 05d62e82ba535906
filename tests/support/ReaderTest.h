#pragma once

#include "support/Pictures.h"
#include "support/TestLoader.h"
#include "support/ToolFolder.h"

#include <QTemporaryDir>
#include <QTest>

// The base of the readers' tests, with what they all use: before the first test, the formats' own tools get
// the pictures they start from; each test loads its files from a folder of its own.
class ReaderTest : public QObject {
    Q_OBJECT

private slots:
    // The pictures the tools start from: in.png (97 x 64), alpha.png, small.png (16 x 16), in16.png,
    // coordinates16.png, alpha16.png, grey.png, flipped.png, yuv.raw, small.webp, in.webp, base.tif,
    // white.tif (min-is-white), old.tif (old-style LZW), turned.heic (by irot and EXIF alike).
    void initTestCase();

protected:
    // Writes the bytes under name into the test's folder; returns the full path.
    QString write(const QString& name, const QByteArray& bytes);

    QTemporaryDir dir_;
    ToolFolder tools_;
};
