#include "support/E2e.h"

#include <QtTest>

namespace e2e {

QString program() {
    return qEnvironmentVariable("KESTRELLE_PROGRAM");
}

bool copyProgramTo(const QString& folder) {
    const QDir built = QFileInfo(program()).absoluteDir();
    const QDir copy(folder);
    if (!copy.mkpath(QStringLiteral("x")) || !copy.mkpath(QStringLiteral("Samples")))
        return false;
    for (const QString& file :
         {QStringLiteral("kestrelle"), QStringLiteral("HAND-M.CUR"), QStringLiteral("x/o.cjs")}) {
        if (!QFile::copy(built.filePath(file), copy.filePath(file)))
            return false;
    }
    return true;
}

void keepScreenIfFailed(const XSession& session) {
    if (!QTest::currentTestFailed())
        return;
    const QString name = QStringLiteral("%1-%2-failed.png")
                             .arg(QString::fromLatin1(QTest::currentAppName()),
                                  QString::fromLatin1(QTest::currentTestFunction()));
    if (session.screenshot().save(name))
        qWarning("The screen is kept in %s", qPrintable(QDir::current().filePath(name)));
}

} // namespace e2e
