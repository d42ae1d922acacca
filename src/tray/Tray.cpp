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

bool setPos::AddTrayIcon() {
  TrayData = MakeTrayRecord(view_.hWnd(), view_.Icon());
  // The shell says whether it took the icon ("Returns TRUE if successful, or
  // FALSE otherwise",
  // https://learn.microsoft.com/en-us/windows/win32/api/shellapi/nf-shellapi-shell_notifyicona);
  // a busy shell, at sign-in above all, refuses or times out. An add that
  // timed out may have been carried out all the same, and adding an icon
  // that is there fails: one that takes a modify is there.
  trayIconShown_ = platform_.Shell_NotifyIconA(kNimAdd, TrayData) || platform_.Shell_NotifyIconA(kNimModify, TrayData);
  return trayIconShown_;
}

void setPos::RemoveTrayIcon() {
  // Deleting an icon that is not there simply fails; nothing to check.
  platform_.Shell_NotifyIconA(kNimDelete, TrayData);
  trayIconShown_ = false;
}

void setPos::Form_Resize() {
  if (view_.GetWindowState() != WindowState::Minimized) {
    trayPending_ = false;  // restored from its taskbar button: no tray wanted now
    return;
  }
  GoToTray();
}

void setPos::GoToTray() {
  ticksSinceTrayTry_ = 0;
  // Hidden only with the icon in place: a window with neither an icon nor a
  // taskbar button could never be brought back.
  trayPending_ = !AddTrayIcon();
  if (!trayPending_) view_.SetVisible(false);
}

void setPos::RetryTrayIcon() {
  if (trayPending_ && ++ticksSinceTrayTry_ >= kTrayRetryTicks) GoToTray();
}

void setPos::Form_MouseMove(std::uintptr_t wParam, std::intptr_t lParam) {
  if (!IsTrayLeftButtonDown(TrayData, wParam, lParam)) return;
  if (view_.GetWindowState() == WindowState::Normal) {
    view_.SetWindowState(WindowState::Normal);
    return;
  }
  view_.SetWindowState(WindowState::Normal);
  view_.SetVisible(true);
  view_.Activate();
  RemoveTrayIcon();
}

void setPos::TaskbarCreated() {
  // A new notification area has none of the icons added before it
  // (https://learn.microsoft.com/en-us/windows/win32/shell/taskbar#taskbar-creation-notification),
  // and it may take the one the old one refused.
  if (!trayIconShown_ && !trayPending_) return;
  GoToTray();
  if (trayPending_) view_.SetVisible(true);  // refused: back to the taskbar button, still minimised
}

}  // namespace quellaro
