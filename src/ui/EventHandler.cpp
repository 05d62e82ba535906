#include "ui/EventHandler.h"

#include "desktop/Failure.h"

#include <QDebug>

namespace ui {

void reportUnguardedFailure(const char* event, std::exception_ptr failure) {
    QString description = QStringLiteral("Unexpected error");
    try {
        std::rethrow_exception(failure);
    } catch (const desktop::Failure& f) {
        description = f.description();
    } catch (const std::exception& e) {
        description = QString::fromUtf8(e.what());
    } catch (...) {
    }
    qWarning().noquote() << "Kestrelle:" << description << "in" << event;
}

} // namespace ui
