// A format module built for another interface than the program's: FormatModules must refuse it without
// calling its reader, which would hand back a picture.
#include "picture/formats/FormatModule.h"

namespace {

picture::DecodedPicture anyPicture(QIODevice&, picture::LoadBudget::Claim&, picture::Progress&) {
    picture::DecodedPicture decoded;
    decoded.image = QImage(1, 1, QImage::Format_RGB32);
    return decoded;
}

} // namespace

extern "C" Q_DECL_EXPORT quint64 kestrelleFormatInterface() {
    return picture::formatInterface::stamp + 1;
}

extern "C" Q_DECL_EXPORT picture::Reader kestrelleFormatReader() {
    return &anyPicture;
}
