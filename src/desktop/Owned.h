#pragma once

#include <memory>
#include <type_traits>

namespace desktop {

// An object of a C library, given back by the library's own function when it goes:
//     const Owned<TIFF, TIFFClose> tiff(TIFFOpen(name, "r"));
template <typename T, auto release>
using Owned = std::unique_ptr<T, std::integral_constant<decltype(release), release>>;

} // namespace desktop
