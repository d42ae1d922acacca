#include "platform/Dpi.h"

#include <utility>

namespace quellaro {

const DpiFunctions& DpiFunctions::Get() {
  static const DpiFunctions functions;
  return functions;
}

DpiFunctions::DpiFunctions()
    : getDpiForWindow_(SystemFunctionAs<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow")),
      adjustWindowRectExForDpi_(
          SystemFunctionAs<AdjustWindowRectExForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi")),
      getSystemMetricsForDpi_(SystemFunctionAs<GetSystemMetricsForDpiFn>(L"user32.dll", "GetSystemMetricsForDpi")) {}

int DpiFunctions::ForWindow(HWND window) const {
  const UINT dpi = getDpiForWindow_ ? getDpiForWindow_(window) : 0;
  return dpi > 0 ? static_cast<int>(dpi) : ScreenDpi();
}

RECT DpiFunctions::FrameAround(RECT client, DWORD style, DWORD exStyle, int dpi) const {
  // Before Windows 10 no system scales a frame after start: it stays at the
  // system DPI on every monitor.
  if (!adjustWindowRectExForDpi_ ||
      !adjustWindowRectExForDpi_(&client, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    ::AdjustWindowRectEx(&client, style, FALSE, exStyle);
  }
  return client;
}

int DpiFunctions::Metric(int index, int dpi) const {
  if (getSystemMetricsForDpi_) return getSystemMetricsForDpi_(index, static_cast<UINT>(dpi));
  // Windows 8.1 sends a per-monitor window to a monitor of another DPI but
  // knows the metrics at the system DPI only.
  return ::MulDiv(::GetSystemMetrics(index), dpi, ScreenDpi());
}

void WindowIcons::Set(HWND window, HINSTANCE instance, int resource, int dpi) {
  // At the screen's DPI the window class's icons are the right ones; setting
  // icons of its own on every new window would cost memory under Wine.
  if (!big_ && dpi == ScreenDpi()) return;
  const DpiFunctions& dpis = DpiFunctions::Get();
  UniqueIcon big = LoadIconAt(instance, resource, dpis.Metric(SM_CXICON, dpi));
  UniqueIcon small = LoadIconAt(instance, resource, dpis.Metric(SM_CXSMICON, dpi));
  ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  big_ = std::move(big);
  small_ = std::move(small);
}

UniqueIcon LoadIconAt(HINSTANCE instance, int resource, int size) {
  return UniqueIcon(static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resource), IMAGE_ICON, size, size, 0)));
}

}  // namespace quellaro
