#pragma once

#include "picture/LoadBudget.h"
#include "picture/Progress.h"

#include <QImage>
#include <QRegion>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace picture {

class ColourStage;
struct LoadWatch;

// The progress of a load: each part a reader has decoded is brought into the screen's colours and laid on
// white where it lies, in the reader's own picture: within the watched area there and then, and shown;
// elsewhere, while the reader holds its lease, on a thread beside it, so that the colour work overlaps
// the decoding. `finish` brings the rest, so that every pixel is converted exactly once and the picture
// ends as an unwatched load leaves it. Pictures that are turned are shown only when whole, and pictures
// of more than 8 bits a sample are converted only when whole.
class FinalParts : public Progress {
public:
    // Without a watch, nothing is shown.
    FinalParts(const ColourStage& screen, LoadBudget::Claim& claim, const LoadWatch* watch);
    ~FinalParts() override;

    QRect wanted() const override;
    void decoded(const DecodedPicture& decoded, QRect area) override;
    // Leaves decoded.image in the screen's colours, its transparency laid on white.
    void finish(DecodedPicture& decoded);

protected:
    void leased(bool held) override;

private:
    void show(const DecodedPicture& decoded, const QRegion& fresh);
    void convertBeside(const DecodedPicture& decoded, const QRegion& fresh);
    void convertQueued();
    void stopBeside();
    void convert(const DecodedPicture& decoded, QRect part) const;

    const ColourStage& screen_;
    LoadBudget::Claim& claim_;
    const LoadWatch* watch_;
    QRegion taken_;    // the parts converted, or queued to be
    QRegion gathered_; // parts told, to be queued together
    qint64 gatheredPixels_ = 0;
    QImage seen_;

    bool leased_ = false;
    std::optional<bool> worthBeside_; // decided at the first part told
    // The reader's picture as the thread beside it sees it: its pixels, not its image.
    DecodedPicture pixels_;
    std::mutex mutex_;
    std::condition_variable queued_;
    QRegion queue_;
    bool ending_ = false;
    std::exception_ptr failed_;
    std::thread beside_;
};

} // namespace picture
