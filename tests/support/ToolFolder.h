#pragma once

#include <QByteArray>
#include <QImage>
#include <QTemporaryDir>

// A folder where the command-line tools of the picture libraries (cwebp, webpmux, tiffcp, ImageMagick's
// convert) make and read files for a test, so that the test's pictures come from the libraries' own
// encoders and its expectations from their own decoders.
class ToolFolder {
public:
    // Saves the picture under name, in the format its suffix names, and returns the name.
    QString save(const QImage& picture, const QString& name);
    // Writes bytes under name and returns the name.
    QString write(const QByteArray& bytes, const QString& name);
    // Runs a command line of words without spaces in the folder and returns the bytes of the file its last
    // word names; empty when the tool failed.
    QByteArray run(const QString& commandLine);
    QString path(const QString& name) const;

private:
    QTemporaryDir dir_;
};
