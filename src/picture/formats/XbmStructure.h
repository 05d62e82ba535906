#pragma once

#include "picture/PictureIntegrity.h"

#include <QByteArrayView>

namespace picture {

// Walks an X bitmap: the size its width and height definitions give, and whether the array holds a
// byte for every eight pixels of every row before it closes. The toolkit's reader shows a file that
// breaks off as a whole one, blank where the bytes are missing.
class XbmStructure {
public:
    static PictureIntegrity inspect(QByteArrayView bytes);
};

} // namespace picture
