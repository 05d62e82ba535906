#pragma once

#include <exception>
#include <utility>

namespace ui {

// Reports a failure that escaped an event handler which no guarded procedure called.
void reportUnguardedFailure(const char* event, std::exception_ptr failure);

// Runs a handler straight from the toolkit's event loop. A failure there reaches no error report, and
// letting it unwind through the toolkit would end the program, so it is noted on the error output and the
// program goes on.
template <typename Handler> void runEventHandler(const char* event, Handler&& handler) {
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        reportUnguardedFailure(event, std::current_exception());
    }
}

} // namespace ui
