#include "support/ChildProcess.h"

#include <csignal>
#include <sys/prctl.h>

ChildProcess::ChildProcess(const QString& program, const QStringList& arguments,
                           const QProcessEnvironment& environment)
    : process_(std::make_unique<QProcess>()) {
    process_->setProcessEnvironment(environment);
    // Nothing drains the pipes while a test waits, and a full pipe would stall the process: what it says
    // about trouble goes straight to the test's own output.
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_->start(program, arguments);
    started_ = process_->waitForStarted(5000);
}

ChildProcess::~ChildProcess() {
    if (!running())
        return;
    process_->terminate();
    if (!process_->waitForFinished(3000)) {
        process_->kill();
        process_->waitForFinished(3000);
    }
}

bool ChildProcess::running() const {
    return process_->state() != QProcess::NotRunning;
}

std::optional<int> ChildProcess::waitForExit(int milliseconds) {
    if (running() && !process_->waitForFinished(milliseconds))
        return std::nullopt;
    if (process_->exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return process_->exitCode();
}
