// Telling the user that the hotkey could not change a window, so that a
// refusal does not pass for a missed key press: the warning sound, and from
// the tray icon a balloon that says why. Nothing takes the focus, nothing
// waits for an answer.
#pragma once

#include <vector>

#include "pinning/Poll.h"
#include "platform/Platform.h"

namespace quellaro {

inline constexpr wchar_t kBalloonTitlePinFailed[] = L"无法置顶";
inline constexpr wchar_t kBalloonTitleUnpinFailed[] = L"无法取消置顶";
inline constexpr wchar_t kBalloonAdministrator[] =
    L"这个窗口属于以管理员身份运行的程序。请以管理员身份运行 Quellaro 后再按热键。";
inline constexpr wchar_t kBalloonRefused[] = L"这个窗口不接受置顶状态的更改。";

class FlipFeedback {
 public:
  // Called after every tick. `trayIcon` is the tray icon while it is shown,
  // null while the main window is (a balloon needs an icon to come from).
  void Report(Platform& platform, const TickOutcome& tick, const TrayRecord* trayIcon);

 private:
  // The window that failed during the current hold of the key: a key held
  // over several ticks tries it on each, but it is one press to the user.
  WindowHandle failedThisHold_ = nullptr;
  // Windows that already got their balloon: after the first, the sound is
  // enough. A handful in a run; a vector keeps libstdc++'s tree code out of
  // the exe.
  std::vector<WindowHandle> ballooned_;
};

}  // namespace quellaro
