#include "pinning/Feedback.h"

#include <algorithm>

namespace quellaro {

void FlipFeedback::Report(Platform& platform, const TickOutcome& tick, const TrayRecord* trayIcon) {
  if (tick.keyDown && !keyWasDown_) failedThisHold_ = nullptr;  // a new press
  keyWasDown_ = tick.keyDown;
  // A program that does not answer gets the sound alone: it may answer in a moment.
  const wchar_t* text = tick.result == FlipResult::Refused         ? kBalloonRefused
                        : tick.result == FlipResult::Administrator ? kBalloonRestartAsAdministrator
                        : tick.result == FlipResult::OutOfReach    ? kBalloonOutOfReach
                                                                   : nullptr;
  if (text == nullptr && tick.result != FlipResult::NotAnswering) return;
  if (tick.window == failedThisHold_) return;
  failedThisHold_ = tick.window;

  platform.MessageBeep(kMbIconWarning);
  if (text == nullptr || trayIcon == nullptr ||
      std::find(ballooned_.begin(), ballooned_.end(), tick.window) != ballooned_.end()) {
    return;
  }
  const wchar_t* title = tick.pinning ? kBalloonTitlePinFailed : kBalloonTitleUnpinFailed;
  // The warning sound has just played: the balloon's own would be a second.
  // A busy shell that did not take the balloon leaves it for the next press.
  if (platform.ShowTrayBalloon(*trayIcon, title, text, kNiifWarning | kNiifNoSound)) {
    ballooned_.push_back(tick.window);
    offersRestart_ = tick.result == FlipResult::Administrator;
  }
}

void FlipFeedback::BalloonClicked(Platform& platform) {
  if (!offersRestart_) return;
  offersRestart_ = false;
  // The new start takes over from this one; the user then presses the key again.
  platform.RunAsAdministrator();
}

}  // namespace quellaro
