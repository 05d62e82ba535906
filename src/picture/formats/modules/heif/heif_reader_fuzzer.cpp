// Any bytes as a HEIF file, through its module's reader alone.
#include "ReaderFuzz.h"
#include "picture/formats/modules/heif/HeifReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::HeifReader>(data, size);
    return 0;
}
