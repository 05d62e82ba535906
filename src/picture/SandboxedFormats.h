#pragma once

#include "picture/FormatModules.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace picture {

// Reads each picture of a module's format in a helper process of its own (the program kestrelle-decoder),
// which loads the module, shuts itself in (desktop/Sandbox.h) and only then reads the file, handed to it
// open. Once a picture has been read so, the next one's helper is started and waits for it, its module
// loaded ahead for a picture of the same format, so that a picture does not wait for a program to start. A
// thread of its own starts the waiting helpers: a helper ends with the thread that started it, and each
// load's thread ends with its load. What the library does with a bad file stays in there: the window gets the
// pixels through shared memory, checked, and every way the helper can end short of a picture (a crash, a kill
// by its filter, memory beyond its claim, a loop) is "Invalid picture". Its claims come from the load's
// claim, so the one budget holds for helpers too. The formats the table keeps in the window
// (picture/ModuleNames.h, inWindow) are read by their module loaded here.
class SandboxedFormats : public FormatReaders {
public:
    // How long a helper may go without a word: `patience`, and a second more for each `bytesPerSecond` its
    // load has claimed, longer than any valid picture of that size takes to decode on a slow machine.
    struct Patience {
        std::chrono::milliseconds base{20000};
        qint64 bytesPerSecond = 2 * 1024 * 1024;
    };

    SandboxedFormats(QString helper, QString modulesFolder)
        : SandboxedFormats(helper, modulesFolder, Patience()) {}
    SandboxedFormats(QString helper, QString modulesFolder, Patience patience);
    ~SandboxedFormats() override;

    DecodedPicture read(const QString& name, QFile& file, LoadBudget::Claim& claim,
                        Progress& progress) override;

private:
    struct Helper;

    // A helper that loads `module` before its picture comes.
    std::unique_ptr<Helper> start(const QString& module) const;
    std::unique_ptr<Helper> takeWaiting();
    void keepOneWaiting(const QString& module);
    void startWhenAsked();

    const QString helper_;
    const QString modulesFolder_;
    const Patience patience_;
    FormatModules inWindow_;
    std::mutex waitingLock_;
    std::condition_variable changed_;
    bool startAsked_ = false;
    bool starting_ = false;
    bool ending_ = false;
    QString moduleAhead_; // the latest picture's: the likeliest next
    std::unique_ptr<Helper> waiting_;
    std::thread starter_; // made when the first helper is to wait
};

} // namespace picture
