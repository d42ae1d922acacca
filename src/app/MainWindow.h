// The Win32 main window: creates the controls from the layout table and
// forwards each message to the matching setPos handler.
#pragma once

#include <bitset>
#include <functional>
#include <memory>

#include "app/MainView.h"
#include "app/setPos.h"
#include "platform/Win32.h"

namespace quellaro {

template <typename>
struct WindowProcFor;

class MainWindow final : public MainView {
 public:
  MainWindow(Platform& platform, std::wstring appDir, std::function<void()> showAbout,
             std::function<void()> onDestroyed);
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
  IconHandle Icon() override { return icon_; }
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
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnText1Message(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls(HINSTANCE instance);
  void OnCommand(int id, int code);
  HWND Control(int id) const { return ::GetDlgItem(window_, id); }
  void NoteKeyDownInText1(WPARAM key);
  bool TakeKeyDownInText1(WPARAM key);

  setPos form_;
  std::function<void()> showAbout_;
  std::function<void()> onDestroyed_;
  HWND window_ = nullptr;
  HICON icon_ = nullptr;  // shared resource icon: not destroyed
  HWND lastFocus_ = nullptr;
  std::bitset<256> keysDownInText1_;
  UINT taskbarCreated_ = 0;
  int dpi_ = 96;
  UniqueBrush background_;
  UniqueFont guiFont_;
  UniqueFont text1Font_;
};

}  // namespace quellaro
