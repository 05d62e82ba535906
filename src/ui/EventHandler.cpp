#include "ui/EventHandler.h"

#include "desktop/Application.h"
#include "desktop/Failures.h"

#include <QDebug>

namespace ui {

void reportUnguardedFailure(const char* event, std::exception_ptr failure) {
    qWarning().noquote() << desktop::programName() + QLatin1Char(':') << desktop::describeFailure(failure)
                         << "in" << event;
}

} // namespace ui
