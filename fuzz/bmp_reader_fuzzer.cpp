// Any bytes as a BMP file, straight into the BMP decoder: whatever the bytes, it gives a picture whose every
// pixel it wrote, or fails with a Failure.
#include "QuietOffscreen.h"
#include "ReaderFuzz.h"
#include "picture/formats/BmpReader.h"

#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    quietOffscreen();
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::BmpReader>(data, size);
    return 0;
}
