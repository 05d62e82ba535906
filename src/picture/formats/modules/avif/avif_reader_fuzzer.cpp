// Any bytes as a AVIF file, through its module's reader alone.
#include "ReaderFuzz.h"
#include "picture/formats/modules/avif/AvifReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::AvifReader>(data, size);
    return 0;
}
