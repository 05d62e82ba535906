#pragma once

#include "decoder/WindowBudget.h"
#include "picture/DecodedPicture.h"
#include "picture/Progress.h"

// The decoder helper's side of its load's progress: the parts its reader tells final, of pixels the
// window maps, are told to the window, after the picture's description whenever that has changed; the
// picture the reader hands over is told last.
class WindowProgress : public picture::Progress {
public:
    WindowProgress(const desktop::MessageChannel& window, WindowBudget& budget, QRect wanted);

    QRect wanted() const override { return wanted_; }
    void decoded(const picture::DecodedPicture& decoded, QRect area) override;
    // Tells the window the decoded picture, first copied into pixels it maps if the reader left it
    // elsewhere.
    void finish(picture::DecodedPicture decoded, picture::LoadBudget::Claim& claim);

private:
    void describe(const picture::DecodedPicture& decoded);
    void send(const QByteArray& message) const;

    const desktop::MessageChannel& window_;
    WindowBudget& budget_;
    const QRect wanted_;
    // The description last sent, as sent, and its profile.
    QByteArray described_;
    QByteArray describedProfile_;
};
