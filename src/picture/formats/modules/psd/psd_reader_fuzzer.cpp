// Any bytes as a PSD or PSB file, through its module's reader alone.
#include "ReaderFuzz.h"
#include "picture/formats/modules/psd/PsdReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::PsdReader>(data, size);
    return 0;
}
