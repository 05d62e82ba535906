#include "ui/ErrorGuard.h"

#include "desktop/Desktop.h"
#include "desktop/Failure.h"

#include <new>

namespace ui {

QString ErrorGuard::supportAddress() {
    return QStringLiteral("support@kestrelle.example");
}

QString ErrorGuard::reportText(const QString& description, const QString& location, int line) {
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
           QString::number(line) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") + supportAddress();
}

QString ErrorGuard::describe(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const desktop::Failure& f) {
        return f.description();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unexpected error");
    }
}

void ErrorGuard::report(const QString& description, int line) {
    desktop_.msgBox(reportText(description, location_, line), desktop::MsgButtons::OkOnly,
                    desktop::MsgIcon::Exclamation, QStringLiteral("Application Error"));
}

} // namespace ui
