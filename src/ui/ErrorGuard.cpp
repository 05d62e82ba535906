#include "ui/ErrorGuard.h"

#include "desktop/Desktop.h"
#include "desktop/Failures.h"

namespace ui {

QString ErrorGuard::supportAddress() {
    return QStringLiteral("support@kestrelle.example");
}

QString ErrorGuard::reportText(const QString& description, const QString& location, int line) {
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
           QString::number(line) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") + supportAddress();
}

void ErrorGuard::report(std::exception_ptr failure, int line) {
    desktop_.msgBox(reportText(desktop::describeFailure(failure), location_, line),
                    desktop::MsgButtons::OkOnly, desktop::MsgIcon::Exclamation,
                    QStringLiteral("Application Error"));
}

} // namespace ui
