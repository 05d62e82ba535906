#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <initializer_list>

namespace desktop {

// A helper program of the program's own, started with some of the caller's descriptors as its 3, 4, ...
// and no other; ended, if it still runs, and reaped when the HelperProcess goes.
class HelperProcess {
public:
    HelperProcess(const QString& program, const QStringList& arguments, std::initializer_list<int> handed);
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // Ends it at once, whatever it is doing, and waits until it has gone.
    void end();

private:
    pid_t pid_ = -1;
};

} // namespace desktop
