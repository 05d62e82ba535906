// kestrelle-decoder: reads one picture for the window that started it, shut in, so that a file made to
// fool a format's library reaches nothing but the pixels it is decoded into.
//
//     kestrelle-decoder MODULES-FOLDER MODULE WINDOW-PID BUDGET X Y WIDTH HEIGHT
//
// with the channel to the window as descriptor 3 and the file, open for reading, as 4. It loads the
// module, shuts itself in (desktop/Sandbox.h), then reads the file: claims, pixels, final parts and the
// end go to the window as DecoderMessages. Set KESTRELLE_SANDBOX_WALLS=1 to have it say on its error
// output which walls it stands in.

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

namespace {

constexpr int windowChannel = 3;
constexpr int pictureFile = 4;

void fail(const desktop::MessageChannel& window) {
    picture::DecoderMessage failed;
    failed.kind = picture::DecoderMessage::Kind::failed;
    failed.text = desktop::describeFailure(std::current_exception());
    window.send(failed.encoded());
    _exit(0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 9)
        return 2;
    // A helper never outlives its window.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != std::atoll(argv[3]))
        return 1;
    // One arena beside the main one: each reserves 64 MB of the address space the helper is held to.
    mallopt(M_ARENA_MAX, 2);
    // Regular expressions are interpreted: the walls refuse memory that runs code.
    qputenv("QT_ENABLE_REGEXP_JIT", "0");
    const desktop::MessageChannel window{desktop::Descriptor(windowChannel)};
    const qint64 total = std::atoll(argv[4]);
    const QRect wanted(std::atoi(argv[5]), std::atoi(argv[6]), std::atoi(argv[7]), std::atoi(argv[8]));

    picture::Reader reader = nullptr;
    QFile file;
    try {
        picture::FormatModules modules(QString::fromLocal8Bit(argv[1]));
        reader = modules.reader(QString::fromLocal8Bit(argv[2]));
        if (lseek(pictureFile, 0, SEEK_SET) != 0 || !file.open(pictureFile, QIODevice::ReadOnly))
            desktop::accessError();
    } catch (...) {
        fail(window);
    }
    const bool showWalls = qEnvironmentVariableIntValue("KESTRELLE_SANDBOX_WALLS") == 1;
    WindowBudget lender(window);
    const desktop::SandboxWalls walls = desktop::shutInForDecoding();
    if (showWalls)
        std::fprintf(stderr, "kestrelle-decoder: walls: %s\n", qPrintable(walls.describe()));

    try {
        picture::LoadBudget budget(total, lender);
        picture::LoadBudget::Claim claim = budget.claim();
        WindowProgress progress(window, lender, wanted);
        progress.finish(reader(file, claim, progress), claim);
    } catch (...) {
        fail(window);
    }
    // Without the libraries' clean-up at exit: none is needed, and it might ask more of the system than the
    // walls allow.
    _exit(0);
}
