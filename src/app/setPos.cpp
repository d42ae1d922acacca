#include "app/setPos.h"

#include <utility>

#include "app/KeyName.h"
#include "pinning/Poll.h"
#include "settings/Settings.h"

namespace quellaro {

setPos::setPos(Platform& platform, MainView& view, std::wstring appDir)
    : platform_(platform), view_(view), appDir_(std::move(appDir)) {}

void setPos::Form_Load() {
  loading_ = true;
  const LoadedSettings settings = LoadSettings(platform_, appDir_);
  keepUnreadFile_ = settings.unread;
  if (!settings.found) {
    HotKey = kDefaultHotKey;
    AutoTray = 0;
    // Name the key that is actually in force rather than the box's design-time text.
    view_.SetText1Text(KeyName(platform_, HotKey));
    loading_ = false;
    return;
  }

  HotKey = settings.hotKey;
  AutoTray = settings.autoTray;
  if (AutoTray == 0) view_.SetCbAutoValue(0);
  if (AutoTray == 1) {
    // Checking the box counts as its click, which saves the settings once,
    // in Quellaro's own format. A Win32 check box set from code raises no
    // click, so raise it here.
    const bool changed = view_.CbAutoValue() != 1;
    view_.SetCbAutoValue(1);
    if (changed) CbAuto_Click();
  }
  if (AutoTray == 1) view_.SetWindowState(WindowState::Minimized);
  view_.SetText1Text(KeyName(platform_, HotKey));
  loading_ = false;
}

void setPos::Form_Unload() {
  if (unloaded_) return;  // log-off and close may both arrive
  unloaded_ = true;
  RemoveTrayIcon();
  // Values the user never chose must not replace a file nobody read.
  if (keepUnreadFile_) return;
  // Nothing can be reported while exiting: a failed save is ignored.
  static_cast<void>(SaveSettings());
}

void setPos::Timer1_Timer() {
  const TickOutcome tick = PollTick(platform_, HotKey, view_.hWnd(), TargetWnd, poll_);
  flipFeedback_.Report(platform_, tick, trayIconShown_ ? &TrayData : nullptr);
  RetryTrayIcon();
}

void setPos::Text1_KeyUp(std::int16_t keyCode) {
  keepUnreadFile_ = false;  // the user chose a key
  HotKey = keyCode;
  view_.SetText1Text(KeyName(platform_, keyCode));
}

void setPos::cmdSetKey_Click() {
  const std::wstring text = view_.Text1Text();
  const std::wstring caption = view_.CmdSetKeyCaption();
  if (caption == kCaptionConfirm && text.empty()) {
    platform_.ShowMessage(view_.hWnd(), kMessageInvalidKey);
    view_.FocusText1();  // back to the box, ready for the next key
    return;
  }
  if (!view_.Text1Enabled()) {
    view_.SetText1Enabled(true);
    view_.SetCmdSetKeyCaption(kCaptionConfirm);
    view_.FocusText1();
  } else {
    view_.SetText1Enabled(false);
    view_.SetCmdSetKeyCaption(kCaptionSetKey);
  }
  SaveFromClick();
}

void setPos::cmdMini_Click() { view_.SetWindowState(WindowState::Minimized); }

void setPos::CbAuto_Click() { SaveFromClick(); }

void setPos::Command1_Click() { view_.ShowAbout(); }

bool setPos::IsKeyDown(std::int16_t keyCode) { return quellaro::IsKeyDown(platform_, keyCode); }

bool setPos::IsTopmost(WindowHandle window) { return quellaro::IsTopmost(platform_, window); }

bool setPos::SaveSettings() { return WriteSettings(platform_, appDir_, HotKey, view_.CbAutoValue()); }

void setPos::SaveFromClick() {
  // What the user chooses is saved, at exit at the latest if this save fails.
  keepUnreadFile_ = false;
  if (SaveSettings() || loading_) return;
  platform_.ShowMessage(view_.hWnd(), kMessageSaveFailed + SettingsPath(appDir_));
}

}  // namespace quellaro
