// Any bytes as a BMP file, straight into the BMP decoder: whatever the bytes, it gives a picture whose every
// pixel it wrote, or fails with a Failure.
#include "QuietOffscreen.h"
#include "desktop/Failure.h"
#include "picture/formats/BmpDecoder.h"

#include <QBuffer>
#include <QGuiApplication>

#include <cstdint>
#include <new>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    quietOffscreen();
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QBuffer file;
    file.setData(reinterpret_cast<const char*>(data), qsizetype(size));
    file.open(QIODevice::ReadOnly);
    try {
        picture::BmpDecoder::decode(file);
    } catch (const desktop::Failure&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}
