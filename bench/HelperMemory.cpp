#include "HelperMemory.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <chrono>

namespace {

// The pages a helper alone maps beside its pixels, in bytes: what ending it gives back.
qint64 ownResident(const QString& pid) {
    QFile maps(QStringLiteral("/proc/%1/smaps").arg(pid));
    if (!maps.open(QIODevice::ReadOnly))
        return 0; // ended between the listing and the reading
    qint64 kilobytes = 0;
    bool pixels = false;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() >= 5 && words[0].contains('-')) // a mapping's first line: its range, then its file
            pixels = words.value(5).startsWith("/memfd:");
        else if (!pixels && (words[0] == "Private_Clean:" || words[0] == "Private_Dirty:"))
            kilobytes += words.value(1).toLongLong();
    }
    return kilobytes * 1024;
}

// The helpers alive now: a child is listed under the thread that started it.
QStringList helpers() {
    QStringList pids;
    for (const QString& task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(QStringLiteral("/proc/self/task/%1/children").arg(task));
        if (children.open(QIODevice::ReadOnly))
            pids += QString::fromLatin1(children.readAll()).split(u' ', Qt::SkipEmptyParts);
    }
    return pids;
}

} // namespace

HelperMemory::HelperMemory() : sampler_([this] { sample(); }) {}

HelperMemory::~HelperMemory() {
    stop_ = true;
    sampler_.join();
}

void HelperMemory::sample() {
    while (!stop_) {
        qint64 together = 0;
        for (const QString& pid : helpers())
            together += ownResident(pid);
        peak_ = std::max(peak_.load(), together);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
