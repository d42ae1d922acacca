#include "tray/Tray.h"

#include <cstring>

#include "app/setPos.h"

namespace quellaro {

TrayRecord MakeTrayRecord(WindowHandle window, IconHandle icon) {
  TrayRecord record;
  record.hWnd = window;
  record.uID = kTrayIconId;
  record.uFlags = kNifMessage | kNifIcon | kNifTip;
  record.uCallbackMessage = kTrayCallback;
  record.hIcon = icon;
  // The tip, its terminating NUL, then blanks up to the field's 64 characters.
  record.szTip.fill(' ');
  std::memcpy(record.szTip.data(), kTrayTip, sizeof(kTrayTip));
  return record;
}

bool IsTrayLeftButtonDown(const TrayRecord& record, std::uintptr_t wParam, std::intptr_t lParam) {
  return record.uID != 0 && wParam == record.uID && lParam == kWmLButtonDown;
}

bool IsTrayBalloonClick(const TrayRecord& record, std::uintptr_t wParam, std::intptr_t lParam) {
  return record.uID != 0 && wParam == record.uID && lParam == kNinBalloonUserClick;
}

bool setPos::AddTrayIcon() {
  TrayData = MakeTrayRecord(view_.hWnd(), view_.Icon());
  // The shell says whether it took the icon ("Returns TRUE if successful, or
  // FALSE otherwise",
  // https://learn.microsoft.com/en-us/windows/win32/api/shellapi/nf-shellapi-shell_notifyicona);
  // a busy shell, at sign-in above all, refuses or times out. An add that
  // timed out may have been carried out all the same, and adding an icon
  // that is there fails: after a failed add the offer starts with a modify,
  // which the shell takes exactly when the icon is there, and goes on with
  // an add when the shell answered that it is not. A call that timed out
  // ends the offer, as each wait holds the program for seconds.
  TrayAnswer answer = TrayAnswer::Refused;
  if (trayAddFailed_) answer = platform_.Shell_NotifyIconA(kNimModify, TrayData);
  if (answer == TrayAnswer::Refused) {
    answer = platform_.Shell_NotifyIconA(kNimAdd, TrayData);
    trayAddFailed_ = answer != TrayAnswer::Taken;
  }
  trayIconShown_ = answer == TrayAnswer::Taken;
  return trayIconShown_;
}

void setPos::RemoveTrayIcon() {
  // Deleting an icon that is not there simply fails; nothing to check.
  platform_.Shell_NotifyIconA(kNimDelete, TrayData);
  trayIconShown_ = false;
}

void setPos::Form_Resize() {
  if (view_.GetWindowState() == WindowState::Minimized) {
    if (!trayPending_) GoToTray();  // already on offer: the back-off goes on
    return;
  }
  // Restored: by the icon, by the taskbar button, or by another program
  // (ShowWindow shows the hidden window it restores). No tray is wanted
  // now, and the icon has nothing left to stand in for.
  trayPending_ = false;
  if (!trayIconShown_) return;
  view_.SetVisible(true);  // restored yet hidden, the window could never be reached again
  RemoveTrayIcon();
}

void setPos::GoToTray() {
  trayAddFailed_ = false;
  trayRetryTicks_ = kTrayRetryTicks;
  OfferTrayIcon();
}

void setPos::OfferTrayIcon() {
  ticksSinceTrayTry_ = 0;
  // Only a minimised window goes, and only with the icon in place: a window
  // with neither an icon nor a taskbar button could never be brought back.
  trayPending_ = false;
  if (view_.GetWindowState() != WindowState::Minimized) return;
  trayPending_ = !trayIconShown_ && !AddTrayIcon();
  if (!trayPending_) view_.SetVisible(false);
}

void setPos::RetryTrayIcon() {
  if (!trayPending_ || ++ticksSinceTrayTry_ < trayRetryTicks_) return;
  trayRetryTicks_ = trayRetryTicks_ < kTrayRetryMaxTicks / 2 ? 2 * trayRetryTicks_ : kTrayRetryMaxTicks;
  OfferTrayIcon();
}

void setPos::Form_MouseMove(std::uintptr_t wParam, std::intptr_t lParam) {
  if (IsTrayBalloonClick(TrayData, wParam, lParam)) {
    flipFeedback_.BalloonClicked(platform_);
    return;
  }
  if (!IsTrayLeftButtonDown(TrayData, wParam, lParam)) return;
  if (view_.GetWindowState() == WindowState::Normal) {
    view_.SetWindowState(WindowState::Normal);
    return;
  }
  view_.SetWindowState(WindowState::Normal);  // the resize shows the window and removes the icon
  view_.Activate();
}

void setPos::TaskbarCreated() {
  // A new notification area has none of the icons added before it
  // (https://learn.microsoft.com/en-us/windows/win32/shell/taskbar#taskbar-creation-notification),
  // and it may take the one the old one refused. A shown window has none to
  // add. The new area is offered the icon at once and then as if for the
  // first time.
  if (!trayIconShown_ && !trayPending_) return;
  trayIconShown_ = false;
  GoToTray();
  if (trayPending_) view_.SetVisible(true);  // refused: back to the taskbar button, still minimised
}

}  // namespace quellaro
