// Any bytes as a JPEG file, through the decoder alone.
#include "DecoderFuzz.h"
#include "picture/formats/modules/jpeg/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzDecoder<picture::JpegDecoder>(data, size);
    return 0;
}
