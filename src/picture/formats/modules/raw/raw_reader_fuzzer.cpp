// Any bytes as a camera's RAW file, through its module's reader alone.
#include "ReaderFuzz.h"
#include "picture/formats/modules/raw/RawReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::RawReader>(data, size);
    return 0;
}
