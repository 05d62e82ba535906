// kestrelle-decoder: reads one picture for the window that started it, shut in, so that a file made to
// fool a format's library reaches nothing but the pixels it is decoded into.
//
//     kestrelle-decoder MODULES-FOLDER WINDOW-PID MODULE-AHEAD
//
// with the channel to the window as descriptor 3. The window starts it before it has a picture for it, so
// that the next picture does not wait for a program to start; it loads the module named ahead, the one the
// window expects, and waits for one read message, which names the module, the budget and the part of the
// picture wanted first and brings the file, open for reading. It loads that module if it is another, shuts
// itself in (desktop/Sandbox.h), then reads the file: claims, pixels, final
// parts and the end go to the window as DecoderMessages. Set KESTRELLE_SANDBOX_WALLS=1 to have it say on
// its error output which walls it stands in.

#include "decoder/WindowBudget.h"
#include "decoder/WindowProgress.h"
#include "desktop/Failures.h"
#include "desktop/Sandbox.h"
#include "picture/DecoderMessage.h"
#include "picture/FormatModules.h"

#include <QFile>

#include <malloc.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

constexpr int windowChannel = 3;

void fail(const desktop::MessageChannel& window) {
    picture::DecoderMessage failed;
    failed.kind = picture::DecoderMessage::Kind::failed;
    failed.text = desktop::describeFailure(std::current_exception());
    window.send(failed.encoded());
    _exit(0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    // A helper never outlives its window.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != std::atoll(argv[2]))
        return 1;
    // One arena beside the main one: each reserves 64 MB of the address space the helper is held to.
    mallopt(M_ARENA_MAX, 2);
    // Regular expressions are interpreted: the walls refuse memory that runs code.
    qputenv("QT_ENABLE_REGEXP_JIT", "0");
    const desktop::MessageChannel window{desktop::Descriptor(windowChannel)};
    picture::FormatModules modules(QString::fromLocal8Bit(argv[1]));
    try {
        modules.reader(QString::fromLocal8Bit(argv[3]));
    } catch (...) {
        // Only a guess: the picture's own module is looked for again and its failure reported.
    }
    std::optional<desktop::MessageChannel::Message> received = window.receive();
    if (!received)
        return 1;
    const std::optional<picture::DecoderMessage> job = picture::DecoderMessage::decoded(received->bytes);
    if (!job || job->kind != picture::DecoderMessage::Kind::read || !received->descriptor)
        return 1;
    const desktop::Descriptor pictureFile = std::move(received->descriptor);

    picture::Reader reader = nullptr;
    QFile file;
    try {
        reader = modules.reader(job->text);
        if (lseek(pictureFile.get(), 0, SEEK_SET) != 0 || !file.open(pictureFile.get(), QIODevice::ReadOnly))
            desktop::accessError();
    } catch (...) {
        fail(window);
    }
    const bool showWalls = qEnvironmentVariableIntValue("KESTRELLE_SANDBOX_WALLS") == 1;
    WindowBudget lender(window, job->index);
    const desktop::SandboxWalls walls = desktop::shutInForDecoding();
    if (showWalls)
        std::fprintf(stderr, "kestrelle-decoder: walls: %s\n", qPrintable(walls.describe()));

    try {
        picture::LoadBudget budget(job->bytes, lender);
        picture::LoadBudget::Claim claim = budget.claim();
        WindowProgress progress(window, lender, job->area);
        progress.finish(reader(file, claim, progress), claim);
    } catch (...) {
        fail(window);
    }
    // Without the libraries' clean-up at exit: none is needed, and it might ask more of the system than the
    // walls allow.
    _exit(0);
}
