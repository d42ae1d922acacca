// The per-DPI calls of Windows 10 (1607 and later), looked up in user32 once.
// Where one is missing (Windows 7, 8, 8.1 and early 10), the answer is what
// those systems give: the screen's DPI, the system's frame and metrics.
#pragma once

#include "platform/Win32.h"

namespace quellaro {

class DpiFunctions {
 public:
  static const DpiFunctions& Get();

  // The DPI `window` is drawn at: its monitor's where Windows says so, the
  // screen's otherwise.
  int ForWindow(HWND window) const;
  // The window rectangle around `client` for a window of these styles whose
  // frame is drawn at `dpi`.
  RECT FrameAround(RECT client, DWORD style, DWORD exStyle, int dpi) const;
  // A system metric (an icon's size, say) at `dpi`.
  int Metric(int index, int dpi) const;

 private:
  DpiFunctions();
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
  GetDpiForWindowFn getDpiForWindow_;
  AdjustWindowRectExForDpiFn adjustWindowRectExForDpi_;
  GetSystemMetricsForDpiFn getSystemMetricsForDpi_;
};

// A window's title-bar and Alt+Tab icons, loaded at its DPI.
class WindowIcons {
 public:
  // Loads the icon `resource` at the sizes for `dpi` and gives them to
  // `window`; the previous ones are destroyed once the window has let go.
  // At the screen's DPI a window that has none of its own keeps its class's.
  void Set(HWND window, HINSTANCE instance, int resource, int dpi);
  // For a window that has gone: the next one starts with its class's icons.
  void Forget() {
    big_.reset();
    small_.reset();
  }

 private:
  UniqueIcon big_;
  UniqueIcon small_;
};

// The icon `resource` at `size` pixels square, owned by the caller.
UniqueIcon LoadIconAt(HINSTANCE instance, int resource, int size);

}  // namespace quellaro
