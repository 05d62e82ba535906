#pragma once

#include <QString>

#include <exception>
#include <utility>

namespace desktop {
class Desktop;
}

namespace ui {

// The error report of a guarded procedure. Each numbered step runs through step(); a failure in the step,
// or in anything it calls, shows one "Application Error" box naming the failure, the procedure and the
// step's number, and the procedure goes on with its next step.
class ErrorGuard {
public:
    ErrorGuard(desktop::Desktop& desktop, QString location)
        : desktop_(desktop), location_(std::move(location)) {}

    // Returns true when the step ran to its end, false when it failed and was reported.
    template <typename Step> bool step(int line, Step&& body) {
        try {
            std::forward<Step>(body)();
            return true;
        } catch (...) {
            report(std::current_exception(), line);
            return false;
        }
    }

    // The exact text of a report: description, CR LF, location, "at line ", number, CR, CR, request.
    static QString reportText(const QString& description, const QString& location, int line);
    static QString supportAddress();

private:
    void report(std::exception_ptr failure, int line);

    desktop::Desktop& desktop_;
    QString location_;
};

} // namespace ui
