#pragma once

#include "support/ChildProcess.h"

#include <QList>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>

#include <memory>

// A private session bus for the programs of one test. A program started with environment() publishes its
// windows and controls on the accessibility bus that this bus starts on demand, and objects() reads them
// back: texts exactly as the program holds them, line breaks included, which reading pixels can only guess.
class AccessibilityBus {
public:
    struct Object {
        // The title of the window that holds the object; for a window, its own title.
        QString window;
        QString windowRole;
        QString role;
        QString name;
        // On the screen.
        QRect extents;
    };

    // The bus inherits `environment`; its accessibility bus keeps its socket under XDG_RUNTIME_DIR.
    explicit AccessibilityBus(const QProcessEnvironment& environment);
    ~AccessibilityBus();
    AccessibilityBus(const AccessibilityBus&) = delete;
    AccessibilityBus& operator=(const AccessibilityBus&) = delete;

    // Empty once the bus is up; otherwise what went wrong.
    QString failure() const { return failure_; }
    // What a program needs to publish itself here.
    void addTo(QProcessEnvironment& environment) const;
    // Every object that the process publishes, windows first in each branch; empty until it has published.
    QList<Object> objects(qint64 processId) const;

private:
    QString accessibilityConnection() const;

    std::unique_ptr<ChildProcess> daemon_;
    QString address_;
    QString failure_;
    QString sessionName_;
    mutable QString accessibilityName_;
};
