// Any bytes as a GIF file, through the decoder alone.
#include "DecoderFuzz.h"
#include "picture/formats/modules/gif/GifDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzDecoder<picture::GifDecoder>(data, size);
    return 0;
}
