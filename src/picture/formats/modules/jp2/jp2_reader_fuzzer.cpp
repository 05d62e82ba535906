// Any bytes as a JPEG 2000 file, through its module's reader alone.
#include "ReaderFuzz.h"
#include "picture/formats/modules/jp2/Jp2Reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::Jp2Reader>(data, size);
    return 0;
}
