// Any bytes as a GIF file, through the decoder alone.
#include "ReaderFuzz.h"
#include "picture/formats/modules/gif/GifReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::GifReader>(data, size);
    return 0;
}
