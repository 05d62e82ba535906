#include "decoder/WindowBudget.h"

#include "desktop/AddressSanitizer.h"
#include "desktop/SharedPixels.h"
#include "picture/DecoderMessage.h"
#include "picture/PictureFailures.h"

#include <QFile>

#include <thread>

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using picture::DecoderMessage;

// What the process has mapped so far, read before it is shut in: from then on, /proc is out of reach.
// Where /proc is not there at all, a gigabyte: several times what the helper and a module's libraries map.
qint64 mappedNow() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    const qint64 pages =
        statm.open(QIODevice::ReadOnly) ? statm.readLine().split(' ').value(0).toLongLong() : 0;
    return pages > 0 ? pages * sysconf(_SC_PAGESIZE) : qint64(1) << 30;
}

} // namespace

WindowBudget::WindowBudget(const desktop::MessageChannel& window, int cores)
    : window_(window), mappedAtStart_(mappedNow()), cores_(cores) {
    limitMapping();
}

void WindowBudget::lend(qint64 bytes) {
    DecoderMessage claim;
    claim.kind = DecoderMessage::Kind::claim;
    claim.bytes = bytes;
    // A window that refuses raises its refusal itself and ends the helper: there is nothing to say back.
    if (!window_.send(claim.encoded()))
        _exit(1);
    const std::optional<desktop::MessageChannel::Message> answer = window_.receive();
    const std::optional<DecoderMessage> granted =
        answer ? DecoderMessage::decoded(answer->bytes) : std::nullopt;
    if (!granted || granted->kind != DecoderMessage::Kind::granted)
        _exit(1);
    granted_ += bytes;
    limitMapping();
}

QImage WindowBudget::pixels(QSize size, QImage::Format format) {
    desktop::SharedPixels made = desktop::SharedPixels::make(size, format);
    if (made.image().isNull())
        picture::outOfMemory();
    DecoderMessage handed;
    handed.kind = DecoderMessage::Kind::pixels;
    handed.size = size;
    handed.format = format;
    handed.bytesPerLine = made.image().bytesPerLine();
    if (!window_.send(handed.encoded(), made.descriptor()))
        _exit(1);
    // Shared pages cost half as much again to make as private ones: a thread beside the reader makes them
    // ahead of it, so that it writes into pages that are there.
    std::thread([start = made.image().constBits(), length = made.image().sizeInBytes()] {
        desktop::SharedPixels::makePages(start, length);
    }).detach();
    made_.push_back({made.image().constBits(), size, format});
    return made.takeImage();
}

int WindowBudget::indexOf(const QImage& image) const {
    for (std::size_t i = 0; i < made_.size(); ++i) {
        if (image.constBits() == made_[i].bits && image.size() == made_[i].size &&
            image.depth() == QImage::toPixelFormat(made_[i].format).bitsPerPixel())
            return int(i);
    }
    return -1;
}

void WindowBudget::limitMapping() const {
    if (desktop::addressSanitized)
        return; // its shadow memory maps far more than any limit could allow
    const rlimit limit{rlim_t(mappedAtStart_ + granted_ + margin), RLIM_INFINITY};
    setrlimit(RLIMIT_AS, &limit);
}
