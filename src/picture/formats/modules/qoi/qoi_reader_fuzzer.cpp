// Any bytes as a QOI file, through its module's reader alone.
#include "ReaderFuzz.h"
#include "picture/formats/modules/qoi/QoiReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzReader<picture::QoiReader>(data, size);
    return 0;
}
