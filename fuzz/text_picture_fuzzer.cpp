// Any bytes as a netpbm, X bitmap or X pixmap file, through the walks that judge their size and wholeness.
#include "picture/formats/NetpbmStructure.h"
#include "picture/formats/XbmStructure.h"
#include "picture/formats/XpmStructure.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(data, qsizetype(size));
    for (const picture::PictureIntegrity found :
         {picture::NetpbmStructure::inspect(bytes), picture::XbmStructure::inspect(bytes),
          picture::XpmStructure::inspect(bytes)}) {
        const QSize declared = found.declaredSize();
        if (declared.isValid() && (declared.width() <= 0 || declared.height() <= 0))
            __builtin_trap();
    }
    return 0;
}
