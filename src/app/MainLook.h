// What the main window looks like, without what it does: its window class
// and icon, its frame at its place on the screen, its controls with their
// fonts and colours. Quellaro's main window is made of it, and so is the
// benchmark's baseline with the same windows and none of the logic.
#pragma once

#include <array>
#include <iterator>

#include "app/Layout.h"
#include "platform/Dpi.h"
#include "platform/Win32.h"

namespace quellaro {

class MainLook {
 public:
  MainLook() = default;
  ~MainLook();
  MainLook(const MainLook&) = delete;
  MainLook& operator=(const MainLook&) = delete;

  // Registers `className` for `procedure` and creates the window with its
  // controls, hidden, `param` going to WM_NCCREATE. Its client area's corner
  // is at the fixed place, unless the window would not fit its monitor's
  // work area there (a high DPI on a small screen): then it is moved in just
  // enough. It is laid out at the DPI it is drawn at. Null when the window
  // could not be made.
  HWND Create(HINSTANCE instance, const wchar_t* className, WNDPROC procedure, void* param);
  // After WM_NCDESTROY: the controls are gone too.
  void Destroyed() {
    window_ = nullptr;
    controls_.fill(nullptr);
  }

  HWND Control(int id) const { return controls_[static_cast<std::size_t>(id - kIdText1)]; }
  // The notification area's icon: the small icon at the taskbar's DPI.
  HICON Icon() const { return trayIcon_; }
  // Loads it again, for a notification area made anew (at another DPI, say).
  void LoadTrayIcon();
  // The answer to WM_GETDPISCALEDSIZE: the window's exact size at `dpi`.
  SIZE SizeAt(int dpi) const;
  // WM_DPICHANGED: the window at `suggested`'s corner, kept inside its
  // monitor's work area, and everything in it at `dpi`.
  void DpiChanged(int dpi, const RECT& suggested) { LayOut(dpi, suggested); }
  // Back from minimised: the size for the DPI of its layout, which may have
  // changed while it was down (in the tray, say).
  void Restored();
  // The answer to WM_CTLCOLORSTATIC for `control`: the check box and the
  // credit line sit on the window's light blue; null for the others (a
  // disabled Text1 also asks, and keeps its default look).
  HBRUSH StaticBackground(HWND control, HDC dc) const;

 private:
  // The one layout, at start and after every DPI change: controls, fonts and
  // window icons at `dpi`, then the window at `wanted`'s top-left corner.
  void LayOut(int dpi, const RECT& wanted);
  // Where the window opens at `dpi`: its client area's corner at the fixed place.
  RECT PlaceAt(int dpi) const;

  HINSTANCE instance_ = nullptr;
  const wchar_t* className_ = nullptr;
  HWND window_ = nullptr;
  int dpi_ = 96;                                           // the DPI of the controls' layout
  HICON trayIcon_ = nullptr;                               // shared resource icon: not destroyed
  std::array<HWND, std::size(kMainControls)> controls_{};  // by id, from kIdText1
  UniqueBrush background_;                                 // the window class's: freed once the class is gone
  UniqueFont defaultFont_;
  UniqueFont text1Font_;
  WindowIcons windowIcons_;
};

}  // namespace quellaro
