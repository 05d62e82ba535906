#include "desktop/SharedPixels.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <memory>

namespace desktop {

namespace {

constexpr int sizeSeals = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL;

struct Mapping {
    void* start;
    std::size_t length;
};

void unmap(void* mapping) {
    const std::unique_ptr<Mapping> gone(static_cast<Mapping*>(mapping));
    munmap(gone->start, gone->length);
}

qsizetype tightRow(int width, QImage::Format format) {
    return qsizetype(width) * (QImage::toPixelFormat(format).bitsPerPixel() / 8);
}

} // namespace

SharedPixels SharedPixels::make(QSize size, QImage::Format format) {
    Descriptor memory(memfd_create("kestrelle-pixels", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    const qsizetype row = tightRow(size.width(), format);
    if (!memory || ftruncate(memory.get(), off_t(row * size.height())) != 0 ||
        fcntl(memory.get(), F_ADD_SEALS, sizeSeals) != 0)
        return {};
    return over(std::move(memory), size, format, row);
}

SharedPixels SharedPixels::map(Descriptor memory, QSize size, QImage::Format format, qsizetype bytesPerLine) {
    struct stat status {};
    const int seals = memory ? fcntl(memory.get(), F_GET_SEALS) : -1;
    if (seals < 0 || (seals & sizeSeals) != sizeSeals || size.isEmpty() ||
        bytesPerLine < tightRow(size.width(), format) || fstat(memory.get(), &status) != 0 ||
        status.st_size < qint64(bytesPerLine) * size.height())
        return {};
    return over(std::move(memory), size, format, bytesPerLine);
}

void SharedPixels::makePages(const uchar* start, qsizetype length) {
    madvise(const_cast<uchar*>(start), std::size_t(length), MADV_POPULATE_WRITE);
}

void SharedPixels::mapPages(const uchar* start, qsizetype length) {
    madvise(const_cast<uchar*>(start), std::size_t(length), MADV_POPULATE_READ);
}

SharedPixels SharedPixels::over(Descriptor memory, QSize size, QImage::Format format,
                                qsizetype bytesPerLine) {
    const std::size_t length = std::size_t(bytesPerLine) * std::size_t(size.height());
    void* start = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, memory.get(), 0);
    if (start == MAP_FAILED)
        return {};
    auto mapping = std::make_unique<Mapping>(Mapping{start, length});
    SharedPixels pixels;
    pixels.image_ = QImage(static_cast<uchar*>(start), size.width(), size.height(), bytesPerLine, format,
                           unmap, mapping.release());
    pixels.memory_ = std::move(memory);
    return pixels;
}

} // namespace desktop
