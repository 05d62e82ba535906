// Any bytes as a WebP file, through its module's reader alone.
#include "DecoderFuzz.h"
#include "picture/formats/modules/webp/WebpReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzDecoder<picture::WebpReader>(data, size);
    return 0;
}
