// Any bytes as an SVG document, through its module's reader alone.
#include "ReaderFuzz.h"
#include "picture/formats/modules/svg/SvgReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::SvgReader>(data, size);
    return 0;
}
