#include "desktop/MessageChannel.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>

namespace desktop {

namespace {

// Larger than any message the program sends; a longer one arrives cut short and is refused.
constexpr int largestMessage = 128 * 1024;

} // namespace

std::pair<MessageChannel, MessageChannel> MessageChannel::pair() {
    int ends[2] = {-1, -1};
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
        return {MessageChannel(Descriptor()), MessageChannel(Descriptor())};
    return {MessageChannel(Descriptor(ends[0])), MessageChannel(Descriptor(ends[1]))};
}

bool MessageChannel::send(const QByteArray& bytes, int descriptor) const {
    iovec part{const_cast<char*>(bytes.constData()), std::size_t(bytes.size())};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (descriptor >= 0) {
        header.msg_control = control;
        header.msg_controllen = sizeof(control);
        cmsghdr* rights = CMSG_FIRSTHDR(&header);
        rights->cmsg_level = SOL_SOCKET;
        rights->cmsg_type = SCM_RIGHTS;
        rights->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(rights), &descriptor, sizeof(int));
    }
    ssize_t sent;
    do
        sent = sendmsg(end_.get(), &header, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    return sent == bytes.size();
}

std::optional<MessageChannel::Message>
MessageChannel::receive(std::optional<std::chrono::milliseconds> within) const {
    pollfd waiting{end_.get(), POLLIN, 0};
    int ready;
    do
        ready = poll(&waiting, 1, within ? int(std::min<qint64>(within->count(), INT_MAX)) : -1);
    while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return std::nullopt;

    Message message;
    message.bytes.resize(largestMessage);
    iovec part{message.bytes.data(), std::size_t(message.bytes.size())};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)] = {};
    header.msg_control = control;
    header.msg_controllen = sizeof(control);
    ssize_t received;
    do
        received = recvmsg(end_.get(), &header, MSG_CMSG_CLOEXEC);
    while (received < 0 && errno == EINTR);
    // Every descriptor that came is taken, so that none is left open whatever is refused below.
    int descriptors = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        for (std::size_t i = 0; i < (c->cmsg_len - CMSG_LEN(0)) / sizeof(int); ++i) {
            int fd;
            std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
            Descriptor taken(fd);
            if (++descriptors == 1)
                message.descriptor = std::move(taken);
        }
    }
    if (received <= 0 || descriptors > 1 || (header.msg_flags & (MSG_TRUNC | MSG_CTRUNC)))
        return std::nullopt;
    message.bytes.resize(received);
    return message;
}

} // namespace desktop
