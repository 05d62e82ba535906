// Any bytes as a TIFF file, through its module's reader alone.
#include "ReaderFuzz.h"
#include "picture/formats/modules/tiff/TiffReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::TiffReader>(data, size);
    return 0;
}
