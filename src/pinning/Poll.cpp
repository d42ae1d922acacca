#include "pinning/Poll.h"

namespace quellaro {
namespace {

constexpr unsigned kKeepPlace = kSwpNoSize | kSwpNoMove;

}  // namespace

bool IsKeyDown(Platform& platform, std::int16_t keyCode) { return platform.GetAsyncKeyState(keyCode) < 0; }

bool IsTopmost(Platform& platform, WindowHandle window) {
  const std::int32_t style = platform.GetWindowLongA(window, kGwlExStyle);
  return (style | kWsExTopmost) == style;
}

// cppcheck-suppress constParameter ; a handle is compared, never dereferenced
void PollTick(Platform& platform, std::int16_t hotKey, WindowHandle self, WindowHandle& targetWnd) {
  if (!IsKeyDown(platform, hotKey)) return;

  targetWnd = platform.GetForegroundWindow();
  if (targetWnd == self) return;

  if (!IsTopmost(platform, targetWnd)) {
    platform.SetWindowPos(targetWnd, HandleFromValue(kHwndTopmost), 0, 0, 0, 0, kKeepPlace);
    return;
  }

  // Unpin by sending the window to the bottom, which on Windows also clears
  // its topmost status. Some implementations (Wine among them) keep the
  // topmost bit after that call; only then, clear it explicitly and put the
  // window at the bottom again, without activating it.
  platform.SetWindowPos(targetWnd, HandleFromValue(kHwndBottom), 0, 0, 0, 0, kKeepPlace);
  if (IsTopmost(platform, targetWnd)) {
    platform.SetWindowPos(targetWnd, HandleFromValue(kHwndNoTopmost), 0, 0, 0, 0, kKeepPlace | kSwpNoActivate);
    platform.SetWindowPos(targetWnd, HandleFromValue(kHwndBottom), 0, 0, 0, 0, kKeepPlace | kSwpNoActivate);
  }
}

}  // namespace quellaro
