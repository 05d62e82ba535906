#pragma once

#include "desktop/Descriptor.h"

#include <QByteArray>

#include <chrono>
#include <optional>
#include <utility>

namespace desktop {

// One end of a channel of whole messages between two processes of the program, each message a few bytes
// and at most one descriptor. Neither end trusts what the other sends: a message comes whole or not at all.
class MessageChannel {
public:
    struct Message {
        QByteArray bytes;
        Descriptor descriptor; // empty when none came with it
    };

    // The two ends of a new channel; each is closed in any program the process starts.
    static std::pair<MessageChannel, MessageChannel> pair();
    explicit MessageChannel(Descriptor end) : end_(std::move(end)) {}

    // Whether the other end took it; false once that end has gone.
    bool send(const QByteArray& bytes, int descriptor = -1) const;
    // The next message, or nothing when the other end has gone, broke the channel or sent nothing within
    // the time given (no limit when absent).
    std::optional<Message> receive(std::optional<std::chrono::milliseconds> within = std::nullopt) const;

    int descriptor() const { return end_.get(); }

private:
    Descriptor end_;
};

} // namespace desktop
