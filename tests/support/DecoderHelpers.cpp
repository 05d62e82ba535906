#include "support/DecoderHelpers.h"

#include <QDir>
#include <QFile>

namespace {

QByteArray procFile(const QString& path) {
    QFile file(QStringLiteral("/proc/") + path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

std::vector<pid_t> decoderHelpers() {
    std::vector<pid_t> helpers;
    for (const QString& task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QByteArray& child :
             procFile(QStringLiteral("self/task/%1/children").arg(task)).split(' ')) {
            // "PID (NAME) STATE ...": an ended helper stays a zombie until the program reaps it.
            const QByteArray stat = procFile(QString::fromLatin1(child.trimmed()) + QStringLiteral("/stat"));
            if (stat.contains("(kestrelle-decod) ") && !stat.contains(") Z "))
                helpers.push_back(pid_t(child.trimmed().toInt()));
        }
    return helpers;
}
