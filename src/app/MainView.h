// What the main window's logic needs from the real window: its controls'
// values and its state. The Win32 window implements it; the tests fake it.
#pragma once

#include <string>

#include "platform/Handles.h"

namespace quellaro {

enum class WindowState { Normal = 0, Minimized = 1 };

class MainView {
 public:
  virtual ~MainView() = default;

  virtual WindowHandle hWnd() = 0;
  virtual IconHandle Icon() = 0;

  // Check box value: 0 unchecked, 1 checked. Setting it raises no click.
  virtual int CbAutoValue() = 0;
  virtual void SetCbAutoValue(int value) = 0;

  virtual std::wstring Text1Text() = 0;
  virtual void SetText1Text(const std::wstring& text) = 0;
  virtual bool Text1Enabled() = 0;
  virtual void SetText1Enabled(bool enabled) = 0;
  virtual void FocusText1() = 0;

  virtual std::wstring CmdSetKeyCaption() = 0;
  virtual void SetCmdSetKeyCaption(const std::wstring& caption) = 0;

  // Setting the state raises the resize event before it returns.
  virtual WindowState GetWindowState() = 0;
  virtual void SetWindowState(WindowState state) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void Activate() = 0;

  // Creates the About window if there is none and brings it up.
  virtual void ShowAbout() = 0;
};

}  // namespace quellaro
