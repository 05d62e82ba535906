#pragma once

namespace picture {

// The two failures every reader of picture bytes shares, worded once: the user sees these exact texts.
[[noreturn]] void invalidPicture();
[[noreturn]] void outOfMemory();

} // namespace picture
