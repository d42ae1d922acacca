// The one window procedure shape Quellaro's windows share: find the C++
// object the window was created for and hand it the message. The exe is
// built without exceptions, so none can cross into the system.
#pragma once

#include "platform/Win32.h"

namespace quellaro {

// Owner needs `HWND window_` and `LRESULT OnMessage(HWND, UINT, WPARAM, LPARAM)`,
// reachable from here (friend WindowProcFor<Owner>), and passes `this` as
// CreateWindowEx's last argument. OnMessage gets the handle the system gave,
// which stays valid to the last message even after the owner has let go of it.
template <typename Owner>
struct WindowProcFor {
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
      auto* owner = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      owner->window_ = window;
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    }
    auto* owner = reinterpret_cast<Owner*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!owner) return ::DefWindowProcW(window, message, wParam, lParam);
    return owner->OnMessage(window, message, wParam, lParam);
  }
};

}  // namespace quellaro
