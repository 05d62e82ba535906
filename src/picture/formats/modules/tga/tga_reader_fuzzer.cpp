// Any bytes as a TGA file, through its module's reader alone.
#include "ReaderFuzz.h"
#include "picture/formats/modules/tga/TgaReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::TgaReader>(data, size);
    return 0;
}
