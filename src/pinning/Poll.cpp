#include "pinning/Poll.h"

#include <optional>
#include <string>
#include <string_view>

namespace quellaro {
namespace {

constexpr unsigned kKeepPlace = kSwpNoSize | kSwpNoMove;

// The shell's windows that can come to the front, by class. Pinning one
// makes it cover every window; unpinning a taskbar, which Windows keeps
// topmost, sends it below every window. The foreground window is always a
// top-level one, so a Store app's CoreWindow, which lives inside its frame
// window, is never taken for the shell's.
constexpr std::wstring_view kShellClasses[] = {
    L"Progman",                              // the desktop, wallpaper and icons, after a click on it
    L"Shell_TrayWnd",                        // the taskbar
    L"Shell_SecondaryTrayWnd",               // the taskbar on each further monitor
    L"Windows.UI.Core.CoreWindow",           // Start, Search, notification centre, quick settings, IME and emoji panels
    L"MultitaskingViewFrame",                // Task View and Alt+Tab, Windows 10
    L"XamlExplorerHostIslandWindow",         // Task View and Alt+Tab, Windows 11
    L"WindowsDashboard",                     // Widgets
    L"NotifyIconOverflowWindow",             // the tray's overflow area, Windows 10
    L"TopLevelWindowForOverflowXamlIsland",  // the tray's overflow area, Windows 11
};
// After "show desktop" the desktop in front is a WorkerW that holds the icon
// view; other WorkerW windows are not the desktop.
constexpr wchar_t kWorkerClass[] = L"WorkerW";
constexpr wchar_t kDesktopIconViewClass[] = L"SHELLDLL_DefView";

}  // namespace

bool IsShellWindow(Platform& platform, WindowHandle window) {
  if (window == nullptr) return false;
  if (window == platform.GetShellWindow() || window == platform.GetDesktopWindow()) return true;
  const std::wstring name = platform.ClassName(window);
  for (const std::wstring_view shellClass : kShellClasses) {
    if (name == shellClass) return true;
  }
  return name == kWorkerClass && platform.HasChildOfClass(window, kDesktopIconViewClass);
}

bool IsFullScreen(Platform& platform, WindowHandle window) {
  // A maximised window keeps its title bar and is pinned like any other.
  if ((platform.GetWindowLongA(window, kGwlStyle) & kWsCaption) == kWsCaption) return false;
  const std::optional<ScreenRect> rect = platform.GetWindowRect(window);
  if (!rect) return false;
  const std::optional<ScreenRect> monitor = platform.MonitorRect(window);
  return monitor && *rect == *monitor;
}

bool IsKeyDown(Platform& platform, std::int16_t keyCode) { return platform.GetAsyncKeyState(keyCode) < 0; }

bool IsTopmost(Platform& platform, WindowHandle window) {
  const std::int32_t style = platform.GetWindowLongA(window, kGwlExStyle);
  return (style | kWsExTopmost) == style;
}

namespace {

// Why the window kept its state. `error` is the first error of the change's
// calls, 0 when they all went through.
FlipResult WhyKept(Platform& platform, WindowHandle window, std::uint32_t error) {
  // The window closed after it was found in front: nothing refused anything.
  if (error == kErrorInvalidWindowHandle) return FlipResult::None;
  // Running as administrator helps with a program the same user runs as
  // administrator (the window's owner, or UIPI's ERROR_ACCESS_DENIED,
  // tells), and only while Quellaro is not elevated already.
  const WindowOwner owner = platform.OwnerOf(window);
  if (owner == WindowOwner::Stranger) return FlipResult::OutOfReach;
  if (error == kErrorAccessDenied || owner == WindowOwner::Administrator) {
    return platform.RunsElevated() ? FlipResult::OutOfReach : FlipResult::Administrator;
  }
  return FlipResult::Refused;
}

// The pending change's outcome into `tick`, once there is one.
void Settle(Platform& platform, PollState& state, TickOutcome& tick) {
  tick.window = state.pendingWindow;
  tick.pinning = state.pendingPin;
  const auto shown = [&] { return IsTopmost(platform, tick.window) == tick.pinning; };
  if (!shown() && ++state.ticksWaited < kPendingTicks) return;
  if (!shown() && !platform.GetWindowRect(tick.window)) {
    tick.result = FlipResult::None;  // closed meanwhile
  } else if (!shown() && !platform.AnswersWithin(tick.window, kAnswerWaitMs)) {
    // Busy since it last answered: the change lands when it wakes.
    tick.result = FlipResult::NotAnswering;
    state.notAnswering = tick.window;
  } else {
    // Shown at last, perhaps by a window that woke while asked for its sign
    // of life and took the change before it answered.
    tick.result = shown() ? FlipResult::Changed : WhyKept(platform, tick.window, 0);
  }
  state.pendingWindow = nullptr;
}

}  // namespace

TickOutcome PollTick(Platform& platform, std::int16_t hotKey, WindowHandle self, WindowHandle& targetWnd,
                     PollState& state) {
  TickOutcome tick;
  tick.keyDown = IsKeyDown(platform, hotKey);
  if (state.pendingWindow != nullptr) Settle(platform, state, tick);
  if (!tick.keyDown) state.notAnswering = nullptr;
  // A change still on its way, or a failure to tell: nothing new this tick.
  if (!tick.keyDown || state.pendingWindow != nullptr ||
      (tick.result != FlipResult::None && tick.result != FlipResult::Changed)) {
    return tick;
  }

  targetWnd = platform.GetForegroundWindow();
  tick = TickOutcome{true, targetWnd};
  if (targetWnd == self || IsShellWindow(platform, targetWnd)) return tick;
  // F8 in a full-screen program is the program's own key.
  if (targetWnd != nullptr && IsFullScreen(platform, targetWnd)) return tick;

  // SetWindowPos on another thread's window waits for that thread, for as
  // long as it takes: a hung or busy program would hold Quellaro up, and
  // with it the tray icon and F8 on every other window. A sign of life first
  // (SendMessageTimeout with WM_NULL) is not enough, as a program may start
  // a long job right after it answered. So the change is asked with
  // SWP_ASYNCWINDOWPOS, which only posts it to that thread, and its outcome
  // read from the window's topmost bit: at once for a window of Quellaro's
  // own thread, which the call changes directly, else on the next ticks.
  // The sign of life stays: no change is queued for a program that is
  // already hung, and the user hears so at once. Chosen over a short
  // time-out on each call, which SetWindowPos has not.
  if (targetWnd != nullptr && (targetWnd == state.notAnswering || !platform.AnswersWithin(targetWnd, kAnswerWaitMs))) {
    tick.result = FlipResult::NotAnswering;
    state.notAnswering = targetWnd;
    return tick;
  }

  // The first error is the one that tells why: a window of a program with
  // higher rights makes SetWindowPos fail with ERROR_ACCESS_DENIED (UIPI).
  std::uint32_t error = 0;
  const auto move = [&](std::intptr_t insertAfter, unsigned flags) {
    if (!platform.SetWindowPos(targetWnd, HandleFromValue(insertAfter), 0, 0, 0, 0,
                               flags | kKeepPlace | kSwpAsyncWindowPos) &&
        error == 0) {
      error = platform.GetLastError();
    }
  };
  tick.pinning = !IsTopmost(platform, targetWnd);
  if (tick.pinning) {
    move(kHwndTopmost, 0);
  } else {
    // Unpin by sending the window to the bottom, which on Windows also
    // clears its topmost status. Some implementations (Wine among them)
    // keep the topmost bit after that call: the bit is cleared explicitly
    // too, which does nothing to a window no longer topmost, and the window
    // put at the bottom again, without activating it. The three are posted
    // one after another, as the bit cannot be read between them.
    move(kHwndBottom, 0);
    move(kHwndNoTopmost, kSwpNoActivate);
    move(kHwndBottom, kSwpNoActivate);
  }
  if (targetWnd == nullptr) return tick;  // nothing in front: nothing was refused

  // The window's thread carries the change out, in a fraction of a
  // millisecond unless the program is busy, once something wakes it (under
  // Wine the posted change alone may wait for its next message): a few short
  // signs of life asked for tell the outcome at once, and leave a change
  // pending only for a slow window.
  bool shown = IsTopmost(platform, targetWnd) == tick.pinning;
  for (unsigned wait = 0; !shown && error == 0 && wait < kShowWaits; ++wait) {
    platform.AnswersWithin(targetWnd, kShowWaitMs);
    shown = IsTopmost(platform, targetWnd) == tick.pinning;
  }
  if (shown) {
    tick.result = FlipResult::Changed;
  } else if (error != 0) {
    tick.result = WhyKept(platform, targetWnd, error);
  } else {
    state.pendingWindow = targetWnd;
    state.pendingPin = tick.pinning;
    state.ticksWaited = 0;
  }
  return tick;
}

}  // namespace quellaro
