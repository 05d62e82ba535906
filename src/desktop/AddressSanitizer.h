#pragma once

namespace desktop {

// Whether this build checks memory with the address sanitizer: g++ tells it by a macro, clang by a feature.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool addressSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool addressSanitized = true;
#else
inline constexpr bool addressSanitized = false;
#endif
#else
inline constexpr bool addressSanitized = false;
#endif

} // namespace desktop
