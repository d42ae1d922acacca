// frmAbout: a static window with the title, a credit line, the usage
// instructions, the application icon and a picture. It owns nothing the
// rest of the program uses.
#pragma once

#include <functional>

#include "platform/Win32.h"

namespace quellaro {

template <typename>
struct WindowProcFor;

class AboutWindow {
 public:
  // `onOpened` and `onClosed` let the process count its open windows.
  AboutWindow(HINSTANCE instance, std::function<void()> onOpened, std::function<void()> onClosed);
  ~AboutWindow();
  AboutWindow(const AboutWindow&) = delete;
  AboutWindow& operator=(const AboutWindow&) = delete;

  // Builds the window if it is not open, then shows it and brings it
  // forward. A new window opens centred on the monitor that holds `anchor`.
  void Show(HWND anchor);
  HWND Window() const { return window_; }

 private:
  template <typename>
  friend struct WindowProcFor;
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool Build(HWND anchor);
  void Paint(HWND window);

  HINSTANCE instance_;
  std::function<void()> onOpened_;
  std::function<void()> onClosed_;
  HWND owner_ = nullptr;  // hidden, so that the window gets no taskbar button
  HWND window_ = nullptr;
  int dpi_ = 96;
  UniqueBitmap picture_;
  UniqueIcon icon_;
  UniqueFont descriptionFont_;
  UniqueFont titleFont_;
  UniqueFont helpFont_;
};

}  // namespace quellaro
