// Any bytes as a PNG file, through the decoder alone.
#include "DecoderFuzz.h"
#include "picture/formats/PngDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzDecoder<picture::PngDecoder>(data, size);
    return 0;
}
