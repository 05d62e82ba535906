#include "ui/Failure.h"

namespace ui {

Failure::Failure(QString description)
    : description_(std::move(description)), utf8_(description_.toStdString()) {}

} // namespace ui
