// frmAbout: a static window with the title, a credit line, the usage
// instructions, the application icon and a picture. It owns nothing the
// rest of the program uses.
#pragma once

#include <array>

#include "about/AboutLayout.h"
#include "platform/Dpi.h"
#include "platform/Win32.h"
#include "platform/WindowCount.h"

namespace quellaro {

template <typename>
struct WindowProcFor;

class AboutWindow {
 public:
  // While open, the window counts itself among `windows`.
  AboutWindow(HINSTANCE instance, WindowCount& windows);
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
  // The one layout, at start and after every DPI change: controls, fonts,
  // icons and picture at `dpi`, then the window at `wanted`'s top-left corner.
  void LayOut(int dpi, const RECT& wanted);
  // The answer to WM_GETDPISCALEDSIZE: the window's exact size at `dpi`.
  static SIZE SizeAt(int dpi);
  void Paint(HWND window);

  HINSTANCE instance_;
  WindowCount& windows_;
  HWND owner_ = nullptr;  // hidden, so that the window gets no taskbar button
  HWND window_ = nullptr;
  int dpi_ = 96;
  UniqueBitmap picture_;
  UniqueIcon icon_;                                          // picIcon's
  std::array<UniqueFont, std::size(kAboutControls)> fonts_;  // by entry; the picture has none
  WindowIcons windowIcons_;
};

}  // namespace quellaro
