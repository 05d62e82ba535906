// Any bytes as a WebP file, through its module's reader alone.
#include "ReaderFuzz.h"
#include "picture/formats/modules/webp/WebpReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::WebpReader>(data, size);
    return 0;
}
