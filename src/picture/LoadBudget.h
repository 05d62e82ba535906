#pragma once

#include <QImage>
#include <QSize>
#include <QtGlobal>

#include <condition_variable>
#include <mutex>

namespace picture {

// The memory that picture loads may take at once, shared by every load of the loader it is given to: the
// file bytes a load holds, its intermediate buffers and the final pixels. A decoder gets a claim from the
// loader and claims through it before it allocates, from the header, before any pixel is decoded:
//
//     claim.budget().refuseIfTooLarge(QSize(width, height), claim.bytes());
//     QImage image = claim.rgb32(width, height, intermediateBytes); // claimed in one step, then allocated
//
// Buffers of a few rows are not counted: the largest width bounds them. A claim gives its bytes back
// when it goes; the pixels it allocated then belong to whoever keeps the picture.
//
// Pictures that could never fit fail with "Picture too large: W x H pixels" (refuseIfTooLarge), and those
// no pane could pan with "Picture too large to pan"; claims past the whole budget with "Out of memory".
// A claim that fits only once other loads end waits for them. A load that already holds bytes and waits
// for more can meet another in the same position; one of them then fails with "Out of memory". So a
// decoder claims what it needs in as few steps as it can.
//
// The budget shares the machine's cores too: a load alone decodes on all of them, loads side by side on
// their share each (claim.cores()), so that two pictures opened at once do not each start a thread for
// every core and take turns on them.
class LoadBudget {
public:
    class Claim {
    public:
        Claim(Claim&& other) noexcept;
        Claim& operator=(Claim&&) = delete;
        ~Claim();

        // Adds bytes to this claim.
        void grow(qint64 bytes);
        // Claims a picture's pixels in `format`, with alongside bytes more in the same step, and allocates
        // them, uninitialised, in ordinary pages.
        QImage pixels(QSize size, QImage::Format format, qint64 alongside = 0);
        QImage rgb32(int width, int height, qint64 alongside = 0) {
            return pixels(QSize(width, height), QImage::Format_RGB32, alongside);
        }
        qint64 bytes() const { return bytes_; }
        const LoadBudget& budget() const { return *budget_; }
        // The threads this load may decode on now: at least one, at most eight.
        int cores() const;

    private:
        friend class LoadBudget;
        explicit Claim(LoadBudget& budget);

        LoadBudget* budget_;
        qint64 bytes_ = 0;
    };

    // While it lives, claims that would take a load past a small picture's bytes wait until release(). A
    // program holds them while its window is being built: a large picture could not be shown in the
    // window's first frame anyway, and decoding it meanwhile on the other core makes the window later.
    class LargeClaimsHeld {
    public:
        explicit LargeClaimsHeld(LoadBudget& budget);
        ~LargeClaimsHeld() { release(); }
        LargeClaimsHeld(const LargeClaimsHeld&) = delete;
        LargeClaimsHeld& operator=(const LargeClaimsHeld&) = delete;
        void release();

    private:
        LoadBudget& budget_;
    };

    // Where a budget kept by another process lends from: a decoder helper's budget asks the window's, which
    // waits and refuses as for its own loads, and its pixels go where the window can see them.
    class Lender {
    public:
        virtual ~Lender() = default;
        // Returns once the bytes are lent; fails as the lending budget refuses them.
        virtual void lend(qint64 bytes) = 0;
        // Allocates lent pixels, uninitialised.
        virtual QImage pixels(QSize size, QImage::Format format) = 0;
        // The cores the lending budget gave the load.
        virtual int cores() const = 0;
    };

    explicit LoadBudget(qint64 total, int cores = machineCores()) : total_(total), cores_(cores) {}
    LoadBudget(qint64 total, Lender& lender) : total_(total), cores_(1), lender_(&lender) {}
    LoadBudget(const LoadBudget&) = delete;
    LoadBudget& operator=(const LoadBudget&) = delete;

    // The bytes the program's loads may take together on this machine, from its installed memory.
    static qint64 machineShare();
    // The cores this process may run on.
    static int machineCores();

    Claim claim(qint64 bytes = 0);
    // Refuses a picture whose pixels, with otherBytes beside them, exceed the whole budget, and one with a
    // side longer than any pane can pan.
    void refuseIfTooLarge(QSize size, qint64 otherBytes = 0) const;

    qint64 total() const { return total_; }
    // The most bytes held at once since the budget was made.
    qint64 peak() const;
    qint64 held() const;

private:
    void take(Claim& claim, qint64 bytes);
    // Waits until the bytes fit beside the other loads' or fails with "Out of memory" when they never will.
    void waitForRoom(std::unique_lock<std::mutex>& lock, const Claim& claim, qint64 bytes);
    void giveBack(Claim& claim);

    const qint64 total_;
    const int cores_;
    Lender* const lender_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    qint64 held_ = 0;
    qint64 peak_ = 0;
    int holders_ = 0;        // claims holding any bytes
    int waitingHolders_ = 0; // of those, the ones waiting for more
    int claims_ = 0;         // loads under way, holding bytes or not
    bool largeHeld_ = false;
};

} // namespace picture
