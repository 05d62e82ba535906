#pragma once

#include <QString>

#include <exception>
#include <string>

namespace desktop {

// A failure raised by the platform layer: a short description such as "Overflow" or "File not found".
// Guarded procedures show the description in their error report.
class Failure : public std::exception {
public:
    explicit Failure(QString description);

    const QString& description() const { return description_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString description_;
    std::string utf8_;
};

} // namespace desktop
