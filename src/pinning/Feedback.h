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
inline constexpr wchar_t kBalloonRestartAsAdministrator[] =
    L"这个窗口属于以管理员身份运行的程序。点击这里，以管理员身份重新启动 Quellaro。";
inline constexpr wchar_t kBalloonOutOfReach[] = L"这个窗口属于系统或其他用户的程序，Quellaro 无法更改它。";
inline constexpr wchar_t kBalloonRefused[] = L"这个窗口不接受置顶状态的更改。";

class FlipFeedback {
 public:
  // Called after every tick. `trayIcon` is the tray icon while it is shown,
  // null while the main window is (a balloon needs an icon to come from).
  void Report(Platform& platform, const TickOutcome& tick, const TrayRecord* trayIcon);
  // A click on the tray icon's balloon: the one that offers it restarts
  // Quellaro as administrator; a click on any other does nothing.
  void BalloonClicked(Platform& platform);

 private:
  // The window that failed during the current press of the key: a key held
  // over several ticks tries it on each, but it is one press to the user,
  // and so is an outcome that comes after the key went up.
  WindowHandle failedThisHold_ = nullptr;
  bool keyWasDown_ = false;
  // Windows that already got their balloon: after the first, the sound is
  // enough. A handful in a run; a vector keeps libstdc++'s tree code out of
  // the exe.
  std::vector<WindowHandle> ballooned_;
  // The balloon shown last offers the restart as administrator.
  bool offersRestart_ = false;
};

}  // namespace quellaro
