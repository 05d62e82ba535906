// Any bytes as a PNG file, through the decoder alone.
#include "ReaderFuzz.h"
#include "picture/formats/PngReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::PngReader>(data, size);
    return 0;
}
