#pragma once

#include "support/XSession.h"

#include <QString>

// Shared by the end-to-end test programs.
namespace e2e {

inline constexpr QSize screenSize(1280, 1024);

// The built program, as the build names it to the tests.
QString program();
// Copies the program with its pointer and skin into folder, with an empty Samples folder beside them, so
// that a test can lay its own files beside the program. False when a copy fails.
bool copyProgramTo(const QString& folder);
// Keeps what the screen showed when the running test failed, beside the test's output.
void keepScreenIfFailed(const XSession& session);

} // namespace e2e
