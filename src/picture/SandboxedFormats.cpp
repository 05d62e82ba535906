#include "picture/SandboxedFormats.h"

#include "desktop/Failures.h"
#include "desktop/HelperProcess.h"
#include "desktop/MessageChannel.h"
#include "desktop/SharedPixels.h"
#include "picture/DecoderMessage.h"
#include "picture/ModuleNames.h"
#include "picture/PictureFailures.h"

#include <QScopeGuard>

#include <unistd.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace picture {

namespace {

using Kind = DecoderMessage::Kind;

// The largest ICC profile a helper may hand over: larger than any profile in use by far.
constexpr qint64 largestProfile = 16 * 1024 * 1024;

bool pictureFormat(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_RGBX64 || format == QImage::Format_RGBA64;
}

// One load's conversation with its helper. Anything the helper says that does not fit what went before is
// the end of it.
class Conversation {
public:
    Conversation(const desktop::MessageChannel& channel, LoadBudget::Claim& claim, Progress& progress,
                 SandboxedFormats::Patience patience)
        : channel_(channel), claim_(claim), progress_(progress), patience_(patience) {}

    DecodedPicture run() {
        for (;;) {
            const std::chrono::milliseconds within =
                patience_.base + std::chrono::seconds(claim_.bytes() / patience_.bytesPerSecond);
            // The pixels' pages are mapped between messages, a piece at a time, so that parts told early
            // show at once however large the picture.
            std::optional<desktop::MessageChannel::Message> received;
            while (!received && unmapped_ < unmappedEnd_) {
                received = channel_.receive(std::chrono::milliseconds(0));
                if (!received)
                    mapAPiece();
            }
            if (!received)
                received = channel_.receive(within);
            if (!received)
                invalidPicture();
            const std::optional<DecoderMessage> message = DecoderMessage::decoded(received->bytes);
            if (!message || (received->descriptor && message->kind != Kind::pixels))
                invalidPicture();
            if (std::optional<DecodedPicture> picture = answer(*message, std::move(received->descriptor)))
                return std::move(*picture);
        }
    }

private:
    std::optional<DecodedPicture> answer(const DecoderMessage& message, desktop::Descriptor descriptor) {
        switch (message.kind) {
        case Kind::claim:
            if (message.bytes <= 0)
                invalidPicture();
            claim_.grow(message.bytes);
            if (!channel_.send(DecoderMessage{}.encoded()))
                invalidPicture();
            return std::nullopt;
        case Kind::pixels:
            takePixels(message, std::move(descriptor));
            return std::nullopt;
        case Kind::profilePiece:
            if (profile_.size() + message.piece.size() > largestProfile)
                invalidPicture();
            profile_ += message.piece;
            return std::nullopt;
        case Kind::description:
            if (message.bytes != profile_.size() || message.described.orientation < 1 ||
                message.described.orientation > 8)
                invalidPicture();
            described_ = message.described;
            described_.colour.iccProfile = std::exchange(profile_, QByteArray());
            return std::nullopt;
        case Kind::final:
            tellFinal(message);
            return std::nullopt;
        case Kind::done:
            return done(message);
        case Kind::failed:
            desktop::raiseReported(message.text);
        case Kind::granted:
        case Kind::read:
            break;
        }
        invalidPicture();
    }

    void takePixels(const DecoderMessage& message, desktop::Descriptor descriptor) {
        const auto format = QImage::Format(message.format);
        if (message.format <= QImage::Format_Invalid || message.format >= QImage::NImageFormats ||
            QImage::toPixelFormat(format).bitsPerPixel() % 8 != 0 || message.size.isEmpty())
            invalidPicture();
        // Every byte shared was claimed first, as in the window's own loads.
        if (message.bytesPerLine <= 0 || message.bytesPerLine > claim_.bytes())
            invalidPicture();
        const qint64 bytes = message.bytesPerLine * message.size.height();
        if (bytes > claim_.bytes() - shared_)
            invalidPicture();
        desktop::SharedPixels pixels =
            desktop::SharedPixels::map(std::move(descriptor), message.size, format, message.bytesPerLine);
        if (pixels.image().isNull())
            invalidPicture();
        shared_ += bytes;
        pixels_.push_back(pixels.image());
        unmapped_ = pixels.image().constBits();
        unmappedEnd_ = unmapped_ + bytes;
    }

    void mapAPiece() {
        constexpr qsizetype piece = 32 * 1024 * 1024;
        const qsizetype length = std::min<qsizetype>(piece, unmappedEnd_ - unmapped_);
        desktop::SharedPixels::mapPages(unmapped_, length);
        unmapped_ += length;
    }

    // The pixels the message names, the format it gives them checked: one of the pictures' formats, of the
    // depth they were made in.
    QImage& pixelsOf(const DecoderMessage& message) {
        if (message.index < 0 || message.index >= qint32(pixels_.size()))
            invalidPicture();
        QImage& pixels = pixels_[std::size_t(message.index)];
        const auto format = QImage::Format(message.format);
        if (!pictureFormat(format) || QImage::toPixelFormat(format).bitsPerPixel() != pixels.depth())
            invalidPicture();
        return pixels;
    }

    void tellFinal(const DecoderMessage& message) {
        const QImage& pixels = pixelsOf(message);
        if (!pixels.rect().contains(message.area))
            invalidPicture();
        if (!lease_)
            lease_.emplace(progress_);
        // Over the pixels, as the reader sees them, without owning them: they stay this conversation's.
        DecodedPicture picture = described_;
        picture.image = QImage(const_cast<uchar*>(pixels.constBits()), pixels.width(), pixels.height(),
                               pixels.bytesPerLine(), QImage::Format(message.format));
        progress_.decoded(picture, message.area);
    }

    DecodedPicture done(const DecoderMessage& message) {
        DecodedPicture picture = described_;
        picture.image = std::move(pixelsOf(message));
        pixels_.clear();
        picture.image.reinterpretAsFormat(QImage::Format(message.format));
        if (picture.cmyk && picture.image.format() != QImage::Format_RGB32)
            invalidPicture();
        lease_.reset();
        return picture;
    }

    const desktop::MessageChannel& channel_;
    LoadBudget::Claim& claim_;
    Progress& progress_;
    const SandboxedFormats::Patience patience_;
    std::vector<QImage> pixels_;
    qint64 shared_ = 0;
    // What is left to map of the latest pixels.
    const uchar* unmapped_ = nullptr;
    const uchar* unmappedEnd_ = nullptr;
    QByteArray profile_;
    DecodedPicture described_;
    std::optional<Progress::Lease> lease_;
};

} // namespace

// A helper started and waiting for the picture it is to read.
struct SandboxedFormats::Helper {
    Helper(desktop::MessageChannel ours, const QString& program, const QStringList& arguments, int theirs)
        : channel(std::move(ours)), process(program, arguments, {theirs}) {}

    desktop::MessageChannel channel;
    desktop::HelperProcess process;
};

SandboxedFormats::SandboxedFormats(QString helper, QString modulesFolder, Patience patience)
    : helper_(std::move(helper)), modulesFolder_(std::move(modulesFolder)), patience_(patience),
      inWindow_(modulesFolder_) {}

SandboxedFormats::~SandboxedFormats() {
    {
        const std::lock_guard<std::mutex> lock(waitingLock_);
        ending_ = true;
    }
    changed_.notify_all();
    if (starter_.joinable())
        starter_.join();
}

DecodedPicture SandboxedFormats::read(const QString& name, QFile& file, LoadBudget::Claim& claim,
                                      Progress& progress) {
    for (const char* kept : moduleName::inWindow)
        if (name == QLatin1String(kept))
            return inWindow_.read(name, file, claim, progress);
    // However this picture ends, the next finds its helper started, once this one has gone.
    const auto startNext = qScopeGuard([this, &name] { keepOneWaiting(name); });
    DecoderMessage job;
    job.kind = Kind::read;
    job.text = name;
    job.bytes = claim.budget().total();
    job.area = progress.wanted();
    job.index = claim.cores();
    // One that waited may have been ended meanwhile; a new one is started then.
    std::unique_ptr<Helper> helper = takeWaiting();
    if (!helper || !helper->channel.send(job.encoded(), file.handle())) {
        helper = start(name);
        if (!helper || !helper->channel.send(job.encoded(), file.handle()))
            unsupportedFormat();
    }
    Conversation conversation(helper->channel, claim, progress, patience_);
    return conversation.run();
}

std::unique_ptr<SandboxedFormats::Helper> SandboxedFormats::start(const QString& module) const {
    auto [ours, theirs] = desktop::MessageChannel::pair();
    if (ours.descriptor() < 0)
        return nullptr;
    auto helper = std::make_unique<Helper>(std::move(ours), helper_,
                                           QStringList{modulesFolder_, QString::number(getpid()), module},
                                           theirs.descriptor());
    return helper->process.started() ? std::move(helper) : nullptr;
}

std::unique_ptr<SandboxedFormats::Helper> SandboxedFormats::takeWaiting() {
    std::unique_lock<std::mutex> lock(waitingLock_);
    // One on its way is further on than one started now would be, and two would cost two helpers' memory.
    changed_.wait(lock, [this] { return !startAsked_ && !starting_; });
    return std::move(waiting_);
}

void SandboxedFormats::keepOneWaiting(const QString& module) {
    const std::lock_guard<std::mutex> lock(waitingLock_);
    moduleAhead_ = module;
    if (waiting_ || startAsked_ || starting_)
        return;
    startAsked_ = true;
    if (!starter_.joinable())
        starter_ = std::thread([this] { startWhenAsked(); });
    changed_.notify_all();
}

void SandboxedFormats::startWhenAsked() {
    std::unique_lock<std::mutex> lock(waitingLock_);
    for (;;) {
        changed_.wait(lock, [this] { return startAsked_ || ending_; });
        if (ending_)
            return;
        startAsked_ = false;
        starting_ = true;
        const QString module = moduleAhead_;
        lock.unlock();
        std::unique_ptr<Helper> started = start(module);
        lock.lock();
        if (!waiting_)
            waiting_ = std::move(started);
        starting_ = false;
        changed_.notify_all();
    }
}

} // namespace picture
