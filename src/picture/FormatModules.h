#pragma once

#include "picture/FormatReaders.h"

#include <QString>

#include <map>
#include <mutex>

namespace picture {

// The readers of the formats whose libraries the program does not link: each is a module in one folder,
// kestrelle-format-<name>.so, loaded the first time a picture of its format is opened, so that start-up
// pays nothing for their libraries. Loads on several threads may ask at once.
class FormatModules : public FormatReaders {
public:
    explicit FormatModules(QString folder);
    FormatModules(const FormatModules&) = delete;
    FormatModules& operator=(const FormatModules&) = delete;

    // The reader of the named module. Fails with "Unsupported picture format" when the module, a library
    // it needs, or its reader is missing, or when it was built for another interface
    // (formats/FormatModule.h); a later call looks again.
    Reader reader(const QString& name);
    DecodedPicture read(const QString& name, QFile& file, LoadBudget::Claim& claim,
                        Progress& progress) override {
        return reader(name)(file, claim, progress);
    }

private:
    const QString folder_;
    std::mutex mutex_;
    std::map<QString, Reader> readers_;
};

} // namespace picture
