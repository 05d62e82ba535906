#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the program was asked on its command line: kestrelle [OPTION]... [FILE1 [FILE2]]. Read before the
// toolkit starts, so that --help and --version answer without a display.
class CommandLine {
public:
    // The arguments after the program's name.
    explicit CommandLine(const QStringList& arguments);

    // Set when the program ends at once with this code, after printing what follows.
    std::optional<int> exitCode() const { return exitCode_; }
    QString output() const { return output_; }
    QString errorOutput() const { return errorOutput_; }

    // The pictures to open, absolute, at most two: the first for pane 1, the second for pane 2.
    QStringList files() const { return files_; }

    static QString usage();

private:
    void addFile(const QString& argument);

    std::optional<int> exitCode_;
    QString output_;
    QString errorOutput_;
    QStringList files_;
};
