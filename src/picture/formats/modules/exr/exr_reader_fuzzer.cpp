// Any bytes as a OpenEXR file, through its module's reader alone.
#include "ReaderFuzz.h"
#include "picture/formats/modules/exr/ExrReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::ExrReader>(data, size);
    return 0;
}
