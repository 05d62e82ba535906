// Any bytes as a OpenEXR file, through its module's reader alone.
#include "DecoderFuzz.h"
#include "picture/formats/modules/exr/ExrReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzDecoder<picture::ExrReader>(data, size);
    return 0;
}
