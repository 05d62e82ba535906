// Any bytes as a JPEG XL file, through its module's reader alone.
#include "ReaderFuzz.h"
#include "picture/formats/modules/jxl/JxlReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::JxlReader>(data, size);
    return 0;
}
