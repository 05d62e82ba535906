#include "desktop/FolderOpener.h"

#include "desktop/Failures.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <QUrl>

namespace desktop {

namespace {

enum class Outcome { Opened, Failed };

// Runs one opener and waits for its answer, or for the patience to run out while it still runs.
Outcome run(const QStringList& command, FolderOpener::Patience patience) {
    // Owned by the application, so that an opener still running when the wait ends is not killed with it.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(command.first());
    process->setArguments(command.mid(1));
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);

    QEventLoop wait;
    QObject::connect(process, &QProcess::finished, &wait, &QEventLoop::quit);
    QObject::connect(process, &QProcess::errorOccurred, &wait, &QEventLoop::quit);
    QTimer::singleShot(patience, &wait, &QEventLoop::quit);
    process->start(QIODevice::NotOpen);
    if (process->state() != QProcess::NotRunning)
        wait.exec(QEventLoop::ExcludeUserInputEvents);

    if (process->state() != QProcess::NotRunning)
        return Outcome::Opened;
    process->deleteLater();
    const bool opened = process->error() == QProcess::UnknownError &&
                        process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    return opened ? Outcome::Opened : Outcome::Failed;
}

} // namespace

QList<QStringList> FolderOpener::commands(const QString& folder) {
    const QString address = QString::fromLatin1(QUrl::fromLocalFile(folder).toEncoded());
    return {{QStringLiteral("xdg-open"), address}, {QStringLiteral("gio"), QStringLiteral("open"), address}};
}

void FolderOpener::open(const QString& folder, Patience patience) {
    for (const QStringList& command : commands(folder))
        if (run(command, patience) == Outcome::Opened)
            return;
    noFileBrowser();
}

} // namespace desktop
