// The program's peak memory with two pictures shown in both windows, measured in a process that links
// what the program links and no more: the benchmark's own baselines would add their libraries to the count.
// Opens both pictures through the main window's commands, shows them there and in full screen, and prints
// "peak-resident <bytes> helpers <bytes>": the window's own peak and its helpers' at once beside it.
#include "BenchWindow.h"
#include "HelperMemory.h"
#include "support/ProcessMemory.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const HelperMemory helpers;
    BenchWindow window;
    window.desktop.fileAnswers = {QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])};
    window.form.PushButton3_Click();
    window.form.PushButton4_Click();
    BenchWindow::paintPending(window.form.window());
    window.enterFullScreen();
    if (!window.desktop.messages.isEmpty() || !window.form.Picture1.pictureHandle() ||
        !window.form.Picture4.pictureHandle())
        return 1;
    std::printf("peak-resident %lld helpers %lld\n", static_cast<long long>(processMemory::peakResident()),
                static_cast<long long>(helpers.peak()));
    return 0;
}
