// The benchmark's yardstick: the least a program can do and still pin windows
// the same way. One plain window, a 200 ms timer that reads one key (F8)
// and flips the topmost state of the window in front while it is down.
#include <windows.h>

namespace {

constexpr wchar_t kClassName[] = L"QuellaroBaseline";
constexpr UINT_PTR kTimer = 1;
constexpr UINT kTickMs = 200;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (::GetAsyncKeyState(VK_F8) < 0) {
        HWND front = ::GetForegroundWindow();
        if (front && front != window) {
          const bool topmost = (::GetWindowLongW(front, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
          ::SetWindowPos(front, topmost ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        }
      }
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  if (!::RegisterClassW(&windowClass)) return 1;
  HWND window = ::CreateWindowExW(0, kClassName, L"Baseline", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 320,
                                  200, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ::ShowWindow(window, show);
  ::SetTimer(window, kTimer, kTickMs, nullptr);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}
