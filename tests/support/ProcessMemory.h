#pragma once

#include <QtGlobal>

// This process's memory as the kernel counts it.
namespace processMemory {

// The bytes resident now.
qint64 resident();
// The bytes of address space mapped now, resident or not.
qint64 mapped();
// The most bytes resident at once ("VmHWM"), since the start or since a PeakMemoryWatch restarted it.
qint64 peakResident();

} // namespace processMemory

// The peak resident memory of this process while a piece of work runs.
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
