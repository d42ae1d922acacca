// The Win32 main window: creates the controls from the layout table and
// forwards each message to the matching setPos handler.
#pragma once

#include <array>
#include <bitset>
#include <functional>

#include "app/Layout.h"
#include "app/MainView.h"
#include "app/setPos.h"
#include "platform/Win32.h"

namespace quellaro {

template <typename>
struct WindowProcFor;

class MainWindow final : public MainView {
 public:
  // `showAbout` is given the main window, so that About opens on its monitor.
  MainWindow(Platform& platform, std::wstring appDir, std::function<void(HWND)> showAbout,
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
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnText1Message(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls(HINSTANCE instance);
  void OnCommand(int id, int code);
  HWND Control(int id) const { return controls_[static_cast<std::size_t>(id - kIdText1)]; }
  void NoteKeyDownInText1(WPARAM key);
  bool TakeKeyDownInText1(WPARAM key);
  void SaveFocus();
  void RestoreFocus();

  setPos form_;
  std::function<void(HWND)> showAbout_;
  std::function<void()> onDestroyed_;
  HINSTANCE instance_ = nullptr;
  HWND window_ = nullptr;
  std::array<HWND, std::size(kMainControls)> controls_{};  // by id, from kIdText1
  HICON icon_ = nullptr;                                   // shared resource icon: not destroyed
  HWND lastFocus_ = nullptr;
  std::bitset<256> keysDownInText1_;
  UINT taskbarCreated_ = 0;
  int dpi_ = 96;
  UniqueBrush background_;  // the window class's: freed once the class is gone
  UniqueFont defaultFont_;
  UniqueFont text1Font_;
};

}  // namespace quellaro
