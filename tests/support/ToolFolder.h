#pragma once

#include <QByteArray>
#include <QImage>
#include <QTemporaryDir>

// A folder where the picture libraries' own tools make a test's pictures and decode its expectations.
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
