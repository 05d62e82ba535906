// Kestrelle's benchmark: each figure beside a baseline measured in the same run, summed up at the end.
// Run without a display: unless QT_QPA_PLATFORM says otherwise, it uses Qt's offscreen platform with
// one 1920 x 1080 screen.
#include "PeakMemory.h"
#include "Summary.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <iostream>

namespace {

const char* const screenConfiguration =
    R"({"synchronousWindowSystemEvents": false, "windowFrameMargins": true,
 "screens": [{"name": "bench", "x": 0, "y": 0, "width": 1920, "height": 1080,
              "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";

// The folder must outlive the run: the benchmark's children read the configuration too. Qt also wants
// a private runtime folder, which a session without a desktop may not have.
void useOffscreenScreen(const QTemporaryDir& folder) {
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", folder.path().toLocal8Bit());
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    QFile file(folder.filePath(QStringLiteral("screen.json")));
    if (file.open(QIODevice::WriteOnly) && file.write(screenConfiguration) > 0) {
        file.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + file.fileName().toLocal8Bit());
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

} // namespace

int main(int argc, char** argv) {
    const QTemporaryDir configuration;
    useOffscreenScreen(configuration);
    QApplication app(argc, argv);
    if (argc >= 4 && qstrcmp(argv[1], loadPeakOption) == 0) {
        QStringList paths;
        for (int i = 3; i < argc; ++i)
            paths << QString::fromLocal8Bit(argv[i]);
        return loadPeakChild(qstrcmp(argv[2], "together") == 0, paths);
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Summary::print(std::cout);
    return Summary::allMet() ? 0 : 1;
}
