#include "app/CommandLine.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

// The toolkit's own options that take a value; the toolkit reads them, and their values are no files.
bool toolkitOptionWithValue(const QString& argument) {
    static const QStringList options{QStringLiteral("-platform"),      QStringLiteral("-display"),
                                     QStringLiteral("-style"),         QStringLiteral("-stylesheet"),
                                     QStringLiteral("-platformtheme"), QStringLiteral("-qwindowgeometry")};
    return options.contains(argument);
}

} // namespace

CommandLine::CommandLine(const QStringList& arguments) {
    QStringList given;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || argument == QLatin1String("-") || !argument.startsWith(QLatin1Char('-'))) {
            given << argument;
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            output_ = usage();
            exitCode_ = 0;
            return;
        } else if (argument == QLatin1String("--version")) {
            output_ = QStringLiteral("kestrelle %1\n").arg(QStringLiteral(KESTRELLE_VERSION));
            exitCode_ = 0;
            return;
        } else if (toolkitOptionWithValue(argument) && i + 1 < arguments.size()) {
            ++i;
        } else {
            errorOutput_ = QStringLiteral("kestrelle: unknown option %1\n").arg(argument) + usage();
            exitCode_ = 2;
            return;
        }
    }
    for (const QString& argument : given.mid(0, 2))
        addFile(argument);
    if (given.size() > 2) {
        errorOutput_ = QStringLiteral("kestrelle: two pictures at a time; left out: %1\n")
                           .arg(given.mid(2).join(QLatin1Char(' ')));
    }
}

// A file manager may hand over a file address instead of a path.
void CommandLine::addFile(const QString& argument) {
    const QUrl url(argument);
    const QString path = url.isLocalFile() && argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)
                             ? url.toLocalFile()
                             : argument;
    files_ << (path.isEmpty() ? path : QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

QString CommandLine::usage() {
    return QStringLiteral(
        "Usage: kestrelle [OPTION]... [FILE1 [FILE2]]\n"
        "Shows two pictures side by side at their natural size: FILE1 on the left, FILE2 on the right.\n"
        "\n"
        "  -h, --help     show this help and exit\n"
        "      --version  show the version and exit\n");
}
