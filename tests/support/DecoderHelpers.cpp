#include "support/DecoderHelpers.h"

#include <QDir>
#include <QFile>

#include <csignal>

namespace {

QByteArray readOf(pid_t pid, const char* name) {
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Neither gone nor with a kill on its way, which the kernel may not have carried out yet.
bool running(pid_t pid) {
    const QByteArray stat = readOf(pid, "stat");
    const qsizetype state = stat.lastIndexOf(')') + 2;
    if (state < 2 || state >= stat.size() || stat[state] == 'Z' || stat[state] == 'X')
        return false;
    const quint64 kill = quint64(1) << (SIGKILL - 1);
    for (const QByteArray& line : readOf(pid, "status").split('\n')) {
        if ((line.startsWith("SigPnd:") || line.startsWith("ShdPnd:")) &&
            (line.mid(7).trimmed().toULongLong(nullptr, 16) & kill) != 0)
            return false;
    }
    return true;
}

} // namespace

std::vector<pid_t> decoderHelpers() {
    std::vector<pid_t> helpers;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks.filePath(task + QStringLiteral("/children")));
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& child : children.readAll().split(' ')) {
            const auto pid = pid_t(child.trimmed().toLong());
            if (pid > 0 && readOf(pid, "comm").startsWith("kestrelle-decod") && running(pid))
                helpers.push_back(pid);
        }
    }
    return helpers;
}
