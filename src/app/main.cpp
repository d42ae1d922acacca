// Process start: one instance only, then the main window and the message loop.
#include "platform/Win32.h"

#include <commctrl.h>

#include "about/AboutWindow.h"
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "platform/Elevation.h"
#include "platform/Win32Platform.h"
#include "platform/WindowCount.h"

namespace {

// Load system DLLs from the system directory only: the exe is often run from
// a Downloads folder that may hold a planted DLL. Looked up at run time
// because older systems lack the call.
void RestrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return;
  auto restrict = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (restrict) restrict(0x00000800);  // LOAD_LIBRARY_SEARCH_SYSTEM32
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace quellaro;
  RestrictDllSearch();

  // A second start leaves at once, before it has a window or reads or
  // writes anything, so the running instance and its settings are untouched;
  // but one as administrator takes over from a copy that is not, once that
  // copy has closed. `running` owns the single-instance mutex from here
  // until the main window has gone.
  Win32RunningCopy running;
  if (!BecomesTheInstance(running)) return 0;

  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  int exitCode = 0;
  {
    WindowCount windows;
    Win32Platform platform;
    AboutWindow about(instance, windows);
    MainWindow main(platform, ApplicationDirectory(), about, windows);
    if (main.Create(instance)) {
      running.Publish(main.hWnd());
      MSG message{};
      BOOL got;
      while ((got = ::GetMessageW(&message, nullptr, 0, 0)) != 0 && got != -1) {
        if (!main.PreTranslate(message)) {
          ::TranslateMessage(&message);
          ::DispatchMessageW(&message);
        }
        // Once the main window has gone, an open About window keeps the
        // process a while, but it is no longer Quellaro: a start then runs.
        if (!main.hWnd()) running.Withdraw();
      }
      exitCode = got == -1 ? 1 : static_cast<int>(message.wParam);
    } else {
      exitCode = 1;
    }
  }
  return exitCode;
}
