// <windows.h> the way Quellaro's Win32 files include it, plus owners for the
// handles they create.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef STRICT
#define STRICT
#endif
#include <windows.h>

#include <string>

#include "platform/UniqueHandle.h"

namespace quellaro {

inline HANDLE InvalidFileHandle() noexcept { return INVALID_HANDLE_VALUE; }

using UniqueFont = UniqueHandle<HFONT, DeleteObject>;
using UniqueBrush = UniqueHandle<HBRUSH, DeleteObject>;
using UniqueBitmap = UniqueHandle<HBITMAP, DeleteObject>;
using UniqueIcon = UniqueHandle<HICON, DestroyIcon>;
using UniqueKernelHandle = UniqueHandle<HANDLE, CloseHandle>;  // mutexes and the like
using UniqueFile = UniqueHandle<HANDLE, CloseHandle, InvalidFileHandle>;

// The directory that holds the running exe, without a trailing backslash.
std::wstring ApplicationDirectory();

// A font of the GB2312 character set whose em is `pixels` high.
UniqueFont CreateGb2312Font(const wchar_t* face, int pixels, int weight);

// The part of a monitor that windows may cover (without the taskbar); the
// primary monitor's when the monitor is unknown.
RECT WorkAreaOf(HMONITOR monitor);

// The screen's logical DPI (96 unless the system is scaled and the process
// is DPI aware).
int ScreenDpi();

// A function of a system DLL that only some uses of the program need (the
// tray, the About picture), loaded from the system folder on first use so
// that start-up does not pay for it. The DLL stays loaded. Null if missing.
FARPROC SystemFunction(const wchar_t* dll, const char* name);
template <typename Function>
Function SystemFunctionAs(const wchar_t* dll, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemFunction(dll, name)));
}

}  // namespace quellaro
