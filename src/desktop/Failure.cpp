#include "desktop/Failure.h"

namespace desktop {

Failure::Failure(QString description)
    : description_(std::move(description)), utf8_(description_.toStdString()) {}

} // namespace desktop
