#include "pinning/Feedback.h"

namespace quellaro {

void FlipFeedback::Report(Platform& platform, const TickOutcome& tick, const TrayRecord* trayIcon) {
  if (!tick.keyDown) {
    failedThisHold_ = nullptr;
    return;
  }
  if (tick.result != FlipResult::Refused && tick.result != FlipResult::Administrator) return;
  if (tick.window == failedThisHold_) return;
  failedThisHold_ = tick.window;

  platform.MessageBeep(kMbIconWarning);
  if (trayIcon == nullptr || ballooned_.count(tick.window) > 0) return;
  const wchar_t* title = tick.pinning ? kBalloonTitlePinFailed : kBalloonTitleUnpinFailed;
  const wchar_t* text = tick.result == FlipResult::Administrator ? kBalloonAdministrator : kBalloonRefused;
  // A busy shell that did not take the balloon leaves it for the next press.
  if (platform.ShowTrayBalloon(*trayIcon, title, text)) ballooned_.insert(tick.window);
}

}  // namespace quellaro
