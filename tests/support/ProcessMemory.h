#pragma once

#include <QtGlobal>

// The peak resident memory of this process while a piece of work runs, as the kernel counts it.
class PeakMemoryWatch {
public:
    // Starts a new peak at the present resident size.
    PeakMemoryWatch();

    // How far the peak rose above the resident size at the start, in bytes. Where the kernel would not
    // restart the peak, how far the resident size itself rose.
    qint64 growth() const;

private:
    qint64 start_ = 0;
    bool peakRestarted_ = false;
};
