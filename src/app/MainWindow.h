// The Win32 main window: creates the controls from the layout table and
// forwards each message to the matching setPos handler.
#pragma once

#include <bitset>

#include "about/AboutWindow.h"
#include "app/MainLook.h"
#include "app/MainView.h"
#include "app/setPos.h"
#include "platform/Win32.h"
#include "platform/WindowCount.h"

namespace quellaro {

template <typename>
struct WindowProcFor;

class MainWindow final : public MainView {
 public:
  // Counts itself among `windows` from now until its window is gone; the
  // help button opens `about` on the main window's monitor.
  MainWindow(Platform& platform, std::wstring appDir, AboutWindow& about, WindowCount& windows);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window, runs start-up, shows the window unless start-up sent
  // it to the tray, and starts the poll. False when the window could not be made.
  bool Create(HINSTANCE instance);

  // Keyboard navigation between the controls (Tab); true when it took the message.
  bool PreTranslate(MSG& message);

  // MainView
  WindowHandle hWnd() override { return window_; }
  IconHandle Icon() override { return look_.Icon(); }
  int CbAutoValue() override;
  void SetCbAutoValue(int value) override;
  std::wstring Text1Text() override;
  void SetText1Text(const std::wstring& text) override;
  bool Text1Enabled() override;
  void SetText1Enabled(bool enabled) override;
  void FocusText1() override;
  std::wstring CmdSetKeyCaption() override;
  void SetCmdSetKeyCaption(const std::wstring& caption) override;
  WindowState GetWindowState() override;
  void SetWindowState(WindowState state) override;
  void SetVisible(bool visible) override;
  void Activate() override;
  void ShowAbout() override;

 private:
  template <typename>
  friend struct WindowProcFor;
  static LRESULT CALLBACK Text1Proc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self) noexcept;
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnText1Message(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(int id, int code);
  HWND Control(int id) const { return look_.Control(id); }
  void NoteKeyDownInText1(WPARAM key);
  bool TakeKeyDownInText1(WPARAM key);
  void SaveFocus();
  void RestoreFocus();

  setPos form_;
  AboutWindow& about_;
  WindowCount& windows_;
  MainLook look_;
  HWND window_ = nullptr;
  HWND lastFocus_ = nullptr;
  std::bitset<256> keysDownInText1_;
  UINT taskbarCreated_ = 0;
};

}  // namespace quellaro
