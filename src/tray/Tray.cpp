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

void setPos::AddTrayIcon() {
  TrayData = MakeTrayRecord(view_.hWnd(), view_.Icon());
  platform_.Shell_NotifyIconA(kNimAdd, TrayData);
  trayIconShown_ = true;
}

void setPos::RemoveTrayIcon() {
  // Deleting an icon that is not there simply fails; nothing to check.
  platform_.Shell_NotifyIconA(kNimDelete, TrayData);
  trayIconShown_ = false;
}

void setPos::Form_Resize() {
  if (view_.GetWindowState() != WindowState::Minimized) return;
  AddTrayIcon();
  view_.SetVisible(false);
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
  // A restarted shell has forgotten the icon; without it a hidden window
  // could never be brought back.
  if (trayIconShown_) platform_.Shell_NotifyIconA(kNimAdd, TrayData);
}

}  // namespace quellaro
