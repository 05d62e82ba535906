#include "picture/Orientation.h"

namespace picture {

void Orientation::apply(DecodedPicture&) {}

} // namespace picture
