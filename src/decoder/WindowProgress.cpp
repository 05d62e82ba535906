#include "decoder/WindowProgress.h"

#include "picture/DecoderMessage.h"

#include <unistd.h>

#include <cstring>

namespace {

using picture::DecodedPicture;
using picture::DecoderMessage;

// Well within what one message may carry.
constexpr qsizetype profilePiece = 64 * 1024;

} // namespace

WindowProgress::WindowProgress(const desktop::MessageChannel& window, WindowBudget& budget, QRect wanted)
    : window_(window), budget_(budget), wanted_(wanted) {}

void WindowProgress::decoded(const DecodedPicture& decoded, QRect area) {
    const int index = budget_.indexOf(decoded.image);
    if (index < 0)
        return; // pixels the window cannot see; it works on the picture when it is whole
    describe(decoded);
    DecoderMessage final;
    final.kind = DecoderMessage::Kind::final;
    final.index = index;
    final.format = decoded.image.format();
    final.area = area;
    send(final.encoded());
}

void WindowProgress::finish(DecodedPicture decoded, picture::LoadBudget::Claim& claim) {
    int index = budget_.indexOf(decoded.image);
    if (index < 0) {
        QImage shared = claim.pixels(decoded.image.size(), decoded.image.format());
        for (int y = 0; y < shared.height(); ++y)
            std::memcpy(shared.scanLine(y), decoded.image.constScanLine(y),
                        std::size_t(shared.bytesPerLine()));
        decoded.image = std::move(shared);
        index = budget_.indexOf(decoded.image);
    }
    describe(decoded);
    DecoderMessage done;
    done.kind = DecoderMessage::Kind::done;
    done.index = index;
    done.format = decoded.image.format();
    send(done.encoded());
}

void WindowProgress::describe(const DecodedPicture& decoded) {
    DecoderMessage description;
    description.kind = DecoderMessage::Kind::description;
    const QByteArray& profile = decoded.colour.iccProfile;
    description.bytes = profile.size();
    description.described = decoded;
    description.described.image = QImage();
    description.described.colour.iccProfile.clear();
    QByteArray encoded = description.encoded();
    if (encoded == described_ && profile == describedProfile_)
        return;
    for (qsizetype at = 0; at < profile.size(); at += profilePiece) {
        DecoderMessage piece;
        piece.kind = DecoderMessage::Kind::profilePiece;
        piece.piece = profile.mid(at, profilePiece);
        send(piece.encoded());
    }
    send(encoded);
    described_ = std::move(encoded);
    describedProfile_ = profile;
}

void WindowProgress::send(const QByteArray& message) const {
    if (!window_.send(message))
        _exit(1); // the window has gone
}
