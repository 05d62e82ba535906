#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>

// Starts the toolkit of a fuzz target on the offscreen platform, with its warnings silenced: every damaged
// input makes the decoders warn, and the flood would slow the fuzzer and bury its own report.
inline void quietOffscreen() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });
}
