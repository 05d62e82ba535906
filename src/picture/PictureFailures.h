#pragma once

namespace picture {

// The failures every reader of picture bytes shares, worded once: the user sees these exact texts.
[[noreturn]] void invalidPicture();
[[noreturn]] void outOfMemory();
// A format this installation cannot read: its reader's module, or a library the module needs, is missing,
// or the file takes a shape of the format its reader does not know.
[[noreturn]] void unsupportedFormat();

} // namespace picture
