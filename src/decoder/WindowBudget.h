#pragma once

#include "desktop/MessageChannel.h"
#include "picture/LoadBudget.h"

#include <vector>

// The decoder helper's side of its window's budget: each claim is asked of the window, which grants it or
// ends the helper, and pixels are made in memory the window maps. What the helper may map in all is held
// to its grants and a margin for the libraries' own small buffers and its threads' stacks, so that a
// library that allocates far beyond what the picture's header claimed fails in here.
class WindowBudget : public picture::LoadBudget::Lender {
public:
    // The margin beyond the grants, counted from what the helper has mapped when it is made.
    static constexpr qint64 margin = 512 * 1024 * 1024;

    WindowBudget(const desktop::MessageChannel& window, int cores);

    void lend(qint64 bytes) override;
    QImage pixels(QSize size, QImage::Format format) override;
    int cores() const override { return cores_; }

    // Which of the pixels made here the image is over, in their format or another of their depth, or -1
    // when it is over none.
    int indexOf(const QImage& image) const;

private:
    void limitMapping() const;

    const desktop::MessageChannel& window_;
    const qint64 mappedAtStart_;
    const int cores_;
    qint64 granted_ = 0;
    struct Made {
        const uchar* bits;
        QSize size;
        QImage::Format format;
    };
    std::vector<Made> made_;
};
