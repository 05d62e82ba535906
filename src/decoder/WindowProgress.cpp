#include "decoder/WindowProgress.h"

#include "picture/DecoderMessage.h"

#include <unistd.h>

#include <cstring>

namespace {

using picture::DecodedPicture;
using picture::DecoderMessage;

// Well within what one message may carry.
constexpr qsizetype profilePiece = 64 * 1024;

bool sameDescription(const DecodedPicture& a, const DecodedPicture& b) {
    const auto& x = a.colour;
    const auto& y = b.colour;
    const auto sameChromaticities = [](const auto& p, const auto& q) {
        return p.has_value() == q.has_value() && (!p || std::memcmp(&*p, &*q, sizeof(*p)) == 0);
    };
    return a.cmyk == b.cmyk && a.orientation == b.orientation && x.iccProfile == y.iccProfile &&
           x.fileGamma == y.fileGamma && x.srgb == y.srgb && x.lab == y.lab &&
           sameChromaticities(x.chromaticities, y.chromaticities) &&
           x.cicp.has_value() == y.cicp.has_value() &&
           (!x.cicp || (x.cicp->primaries == y.cicp->primaries && x.cicp->transfer == y.cicp->transfer));
}

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
    if (described_ && sameDescription(*described_, decoded))
        return;
    const QByteArray& profile = decoded.colour.iccProfile;
    for (qsizetype at = 0; at < profile.size(); at += profilePiece) {
        DecoderMessage piece;
        piece.kind = DecoderMessage::Kind::profilePiece;
        piece.piece = profile.mid(at, profilePiece);
        send(piece.encoded());
    }
    DecoderMessage description;
    description.kind = DecoderMessage::Kind::description;
    description.bytes = profile.size();
    description.described = decoded;
    description.described.image = QImage();
    description.described.colour.iccProfile.clear();
    send(description.encoded());
    described_ = description.described;
    described_->colour.iccProfile = profile;
}

void WindowProgress::send(const QByteArray& message) const {
    if (!window_.send(message))
        _exit(1); // the window has gone
}
