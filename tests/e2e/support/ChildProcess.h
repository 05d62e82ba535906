#pragma once

#include <QProcess>

#include <memory>
#include <optional>

// A process that a test starts and always ends: when the object goes, and, through the kernel, when the
// test itself dies, so that no server or program outlives a crashed or timed-out test.
class ChildProcess {
public:
    ChildProcess(const QString& program, const QStringList& arguments,
                 const QProcessEnvironment& environment);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return started_; }
    bool running() const;
    QProcess& process() { return *process_; }
    // The exit code once the process has ended by itself within the time; nothing if it runs on or crashed.
    std::optional<int> waitForExit(int milliseconds);

private:
    std::unique_ptr<QProcess> process_;
    bool started_ = false;
};
