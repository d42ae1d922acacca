// The benchmark's second yardstick: Quellaro's two windows as they look, with
// their controls, fonts, colours, icon and picture, and none of what Quellaro
// does: no settings file, no poll, no tray icon, no key capture, no
// single-instance check. The help button opens the same About window. The
// least a program can do to show this UI, built from Quellaro's own looks and
// resources and with the same flags.
#include "platform/Win32.h"

#include <commctrl.h>

#include "about/AboutWindow.h"
#include "app/MainLook.h"
#include "platform/WindowCount.h"
#include "platform/WindowProc.h"

namespace {

using namespace quellaro;

constexpr wchar_t kClassName[] = L"QuellaroSameUi";

class SameUiWindow {
 public:
  SameUiWindow(AboutWindow& about, WindowCount& windows) : about_(about), windows_(windows) { windows_.Opened(); }
  SameUiWindow(const SameUiWindow&) = delete;
  SameUiWindow& operator=(const SameUiWindow&) = delete;

  bool Create(HINSTANCE instance) {
    if (!look_.Create(instance, kClassName, WindowProcFor<SameUiWindow>::Procedure, this)) return false;
    ::ShowWindow(window_, SW_SHOWNORMAL);
    ::UpdateWindow(window_);
    return true;
  }
  HWND Window() const { return window_; }

 private:
  friend struct quellaro::WindowProcFor<SameUiWindow>;
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_CTLCOLORSTATIC:
        if (HBRUSH brush = look_.StaticBackground(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam))) {
          return reinterpret_cast<LRESULT>(brush);
        }
        break;
      case WM_GETDPISCALEDSIZE:
        *reinterpret_cast<SIZE*>(lParam) = look_.SizeAt(static_cast<int>(wParam));
        return TRUE;
      case WM_DPICHANGED:
        look_.DpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
      case WM_COMMAND:
        if (LOWORD(wParam) == kIdCommand1 && HIWORD(wParam) == BN_CLICKED) about_.Show(window);
        return 0;
      case WM_NCDESTROY:
        window_ = nullptr;
        look_.Destroyed();
        windows_.Closed();
        return 0;
      default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  MainLook look_;
  AboutWindow& about_;
  WindowCount& windows_;
  HWND window_ = nullptr;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  WindowCount windows;
  AboutWindow about(instance, windows);
  SameUiWindow main(about, windows);
  if (!main.Create(instance)) return 1;
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (::IsDialogMessageW(main.Window(), &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}
