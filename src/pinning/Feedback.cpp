#include "pinning/Feedback.h"

#include <algorithm>

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
  if (trayIcon == nullptr || std::find(ballooned_.begin(), ballooned_.end(), tick.window) != ballooned_.end()) return;
  const wchar_t* title = tick.pinning ? kBalloonTitlePinFailed : kBalloonTitleUnpinFailed;
  const wchar_t* text = tick.result == FlipResult::Administrator ? kBalloonAdministrator : kBalloonRefused;
  // A busy shell that did not take the balloon leaves it for the next press.
  if (platform.ShowTrayBalloon(*trayIcon, title, text)) ballooned_.push_back(tick.window);
}

}  // namespace quellaro
