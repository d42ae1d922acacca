// The main window's state and event handlers, free of Win32 so that the
// unit tests can drive them. Handlers are named control_Event.
#pragma once

#include <cstdint>
#include <string>

#include "app/Layout.h"
#include "app/MainView.h"
#include "pinning/Feedback.h"
#include "platform/Platform.h"

namespace quellaro {

inline constexpr wchar_t kMessageInvalidKey[] = L"按键无效，请重新设置！";
inline constexpr wchar_t kMessageSaveFailed[] = L"无法保存设置文件：\n";

class setPos {
 public:
  setPos(Platform& platform, MainView& view, std::wstring appDir);

  // Run-time state, all owned by the main window.
  WindowHandle TargetWnd = nullptr;
  std::int16_t HotKey = 0;
  std::int16_t AutoTray = 0;
  TrayRecord TrayData{};

  void Form_Load();
  void Form_Unload();
  void Timer1_Timer();
  void Text1_KeyUp(std::int16_t keyCode);
  void cmdSetKey_Click();
  void cmdMini_Click();
  void CbAuto_Click();
  void Command1_Click();

  // Tray: the resize event, the tray icon's notifications (delivered as mouse
  // moves, with the icon's id and the mouse message), and the shell's
  // "TaskbarCreated" broadcast after the notification area was re-created.
  void Form_Resize();
  void Form_MouseMove(std::uintptr_t wParam, std::intptr_t lParam);
  void TaskbarCreated();

  bool IsKeyDown(std::int16_t keyCode);
  bool IsTopmost(WindowHandle window);
  // True when the shell took the icon.
  bool AddTrayIcon();
  // Rewrites config.ini; false when the file could not be written.
  bool SaveSettings();

  bool TrayIconShown() const { return trayIconShown_; }

 private:
  // A save asked for by the user: a failure is reported, nothing else changes.
  void SaveFromClick();
  void RemoveTrayIcon();
  // Into the tray: the icon added, then the window hidden. While the shell
  // refuses the icon, the minimised window keeps its taskbar button and the
  // icon is offered again, less and less often.
  void GoToTray();
  void OfferTrayIcon();
  void RetryTrayIcon();

  Platform& platform_;
  MainView& view_;
  std::wstring appDir_;
  bool loading_ = false;
  bool unloaded_ = false;
  // config.ini is there but start-up could not read it: the exit leaves it
  // as it is, unless the user changes a setting first.
  bool keepUnreadFile_ = false;
  bool trayIconShown_ = false;
  bool trayPending_ = false;    // minimised for the tray, the icon not yet taken
  bool trayAddFailed_ = false;  // the last offer was an add the shell refused
  int ticksSinceTrayTry_ = 0;
  int trayRetryTicks_ = 0;  // the wait before the next offer
  FlipFeedback flipFeedback_;
  PollState poll_;
};

}  // namespace quellaro
