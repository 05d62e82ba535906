#pragma once

#include <QtGlobal>

// The bytes this process read while a piece of work ran, as the kernel counts them: every read call of
// every thread, whether from a file, a pipe or a device.
class ReadWatch {
public:
    ReadWatch();

    // Bytes read since the watch started; 0 where the kernel keeps no count.
    qint64 growth() const;

private:
    qint64 start_ = 0;
};
