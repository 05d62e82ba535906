#include "picture/FormatModules.h"

#include "desktop/Application.h"
#include "picture/PictureFailures.h"
#include "picture/formats/FormatModule.h"

#include <QDir>
#include <QLibrary>

namespace picture {

FormatModules::FormatModules(QString folder) : folder_(std::move(folder)) {}

Reader FormatModules::reader(const QString& name) {
    const std::lock_guard lock(mutex_);
    if (const auto known = readers_.find(name); known != readers_.end())
        return known->second;
    // Every symbol is bound now, so that a library missing part of what the module needs is found out
    // here rather than in the middle of a load. A loaded module stays for the life of the process.
    QLibrary library(QDir(folder_).filePath(QStringLiteral("kestrelle-format-") + name));
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    using Interface = quint64 (*)();
    const auto stampOf = reinterpret_cast<Interface>(library.resolve(KESTRELLE_FORMAT_INTERFACE_SYMBOL));
    if (stampOf && stampOf() != formatInterface::stamp) {
        // Its reader would misread what the program hands it: an installation that mixes two builds.
        qWarning().noquote() << desktop::programName() + QLatin1Char(':') << library.fileName()
                             << "was built for another version of the program; its pictures are refused";
        unsupportedFormat();
    }
    using Entry = Reader (*)();
    const auto entry = reinterpret_cast<Entry>(library.resolve(KESTRELLE_FORMAT_READER_SYMBOL));
    const Reader found = stampOf && entry ? entry() : nullptr;
    if (!found)
        unsupportedFormat();
    readers_.emplace(name, found);
    return found;
}

} // namespace picture
