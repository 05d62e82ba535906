// Any bytes as a cursor file: a malformed one must fail with a Failure, never crash or read out of bounds.
#include "QuietOffscreen.h"
#include "desktop/Failure.h"
#include "picture/formats/CursorFile.h"

#include <QGuiApplication>

#include <cstdint>
#include <new>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    quietOffscreen();
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The fuzzer's own buffer, not a copy with room to spare: a read past its end is caught at once.
    try {
        picture::CursorFile::parse(
            QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const desktop::Failure&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}
