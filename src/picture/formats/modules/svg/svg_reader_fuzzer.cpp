// Any bytes as an SVG document, through its module's reader alone, with the toolkit up for its text.
#include "QuietOffscreen.h"
#include "ReaderFuzz.h"
#include "picture/formats/modules/svg/SvgReader.h"

#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    quietOffscreen();
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::SvgReader>(data, size);
    return 0;
}
