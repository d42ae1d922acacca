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

// cppcheck-suppress constParameter ; a handle is compared, never dereferenced
TickOutcome PollTick(Platform& platform, std::int16_t hotKey, WindowHandle self, WindowHandle& targetWnd,
                     WindowHandle notAnswering) {  // cppcheck-suppress constParameter
  TickOutcome tick;
  if (!IsKeyDown(platform, hotKey)) return tick;
  tick.keyDown = true;

  targetWnd = platform.GetForegroundWindow();
  tick.window = targetWnd;
  if (targetWnd == self || IsShellWindow(platform, targetWnd)) return tick;
  // F8 in a full-screen program is the program's own key.
  if (targetWnd != nullptr && IsFullScreen(platform, targetWnd)) return tick;

  // SetWindowPos on another thread's window waits for that thread, for as
  // long as it takes: a hung or busy program would hold Quellaro up, and
  // with it the tray icon and F8 on every other window. So the window is
  // first asked for a sign of life (SendMessageTimeout with WM_NULL), and
  // left alone if none comes within kAnswerWaitMs. Chosen over
  // SWP_ASYNCWINDOWPOS, which would not wait but leaves the change pending
  // until the program wakes, perhaps long after the user gave up, with
  // nothing left to tell whether it took.
  if (targetWnd != nullptr && (targetWnd == notAnswering || !platform.AnswersWithin(targetWnd, kAnswerWaitMs))) {
    tick.result = FlipResult::NotAnswering;
    return tick;
  }

  // The first error is the one that tells why: a window of a program with
  // higher rights makes SetWindowPos fail with ERROR_ACCESS_DENIED (UIPI).
  std::uint32_t error = 0;
  const auto move = [&](std::intptr_t insertAfter, unsigned flags) {
    if (!platform.SetWindowPos(targetWnd, HandleFromValue(insertAfter), 0, 0, 0, 0, flags) && error == 0) {
      error = platform.GetLastError();
    }
  };
  tick.pinning = !IsTopmost(platform, targetWnd);
  if (tick.pinning) {
    move(kHwndTopmost, kKeepPlace);
    if (targetWnd == nullptr) return tick;  // nothing in front: nothing was refused
  } else {
    // Unpin by sending the window to the bottom, which on Windows also
    // clears its topmost status. Some implementations (Wine among them)
    // keep the topmost bit after that call; only then, clear it explicitly
    // and put the window at the bottom again, without activating it.
    move(kHwndBottom, kKeepPlace);
    if (!IsTopmost(platform, targetWnd)) {
      tick.result = FlipResult::Changed;
      return tick;
    }
    move(kHwndNoTopmost, kKeepPlace | kSwpNoActivate);
    move(kHwndBottom, kKeepPlace | kSwpNoActivate);
  }

  if (IsTopmost(platform, targetWnd) == tick.pinning) {
    tick.result = FlipResult::Changed;
  } else if (error == kErrorInvalidWindowHandle) {
    // The window closed after it was found in front: nothing refused anything.
    tick.result = FlipResult::None;
  } else {
    // Running as administrator helps with a program the same user runs as
    // administrator (the window's owner, or UIPI's ERROR_ACCESS_DENIED,
    // tells), and only while Quellaro is not elevated already.
    const WindowOwner owner = platform.OwnerOf(targetWnd);
    if (owner == WindowOwner::Stranger) {
      tick.result = FlipResult::OutOfReach;
    } else if (error == kErrorAccessDenied || owner == WindowOwner::Administrator) {
      tick.result = platform.RunsElevated() ? FlipResult::OutOfReach : FlipResult::Administrator;
    } else {
      tick.result = FlipResult::Refused;
    }
  }
  return tick;
}

}  // namespace quellaro
