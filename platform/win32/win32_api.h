// The real Win32 headers for the forwarding backend, and the casts between
// the platform layer's mirror types and the system's. Included only by the
// .cpp files of platform/win32, always after the platform headers: the
// system headers define TRUE, FALSE and RGB as macros.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <type_traits>

namespace plat::win32 {

// A platform-layer pointer or handle as the system's type of the same
// layout. Only pointer types are reinterpreted.
template <class To, class From>
To As(From value) {
  static_assert(std::is_pointer_v<To> && std::is_pointer_v<From>, "only pointers and handles are cast");
  return reinterpret_cast<To>(value);
}

}  // namespace plat::win32
