// Any bytes as a JPEG file, through the decoder alone.
#include "ReaderFuzz.h"
#include "picture/formats/modules/jpeg/JpegReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::JpegReader>(data, size);
    return 0;
}
