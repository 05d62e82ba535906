#pragma once

#include <QDeadlineTimer>
#include <QThread>

#include <chrono>

// What the screen shows changes a moment after the input that causes it. Reads again until the reading
// is the expected one or the time is up, and returns the last reading, so that a failed comparison shows
// what was seen instead.
template <typename Read, typename T>
T settle(Read read, const T& expected, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const QDeadlineTimer deadline(limit);
    T seen = read();
    while (!(seen == expected) && !deadline.hasExpired()) {
        QThread::msleep(40);
        seen = read();
    }
    return seen;
}
