// Handle types shared by the portable logic and the Win32 layer.
//
// Declaring the same opaque structs that <windows.h> uses (STRICT handles)
// makes WindowHandle *the* Win32 HWND type on Windows, and a harmless opaque
// pointer on the host where the unit tests run.
#pragma once

#include <cstdint>

struct HWND__;
struct HICON__;

namespace quellaro {

using WindowHandle = HWND__*;
using IconHandle = HICON__*;

// Special insert-after values of SetWindowPos, spelled as handles.
inline WindowHandle HandleFromValue(std::intptr_t value) noexcept { return reinterpret_cast<WindowHandle>(value); }

}  // namespace quellaro
