// Handle types shared by the portable logic and the Win32 layer.
//
// Declaring the same opaque structs that <windows.h> uses (STRICT handles)
// makes WindowHandle *the* Win32 HWND type on Windows, and a harmless opaque
// pointer on the host where the unit tests run.
#pragma once

#include <cstdint>

// The names are Windows' own, so the reserved-identifier rule does not apply.
struct HWND__;   // NOLINT(bugprone-reserved-identifier)
struct HICON__;  // NOLINT(bugprone-reserved-identifier)

namespace quellaro {

using WindowHandle = HWND__*;
using IconHandle = HICON__*;

// Special insert-after values of SetWindowPos, spelled as handles.
// HWND_BOTTOM and friends are small integers cast to a handle, as in <windows.h>.
inline WindowHandle HandleFromValue(std::intptr_t value) noexcept { return reinterpret_cast<WindowHandle>(value); }

}  // namespace quellaro
