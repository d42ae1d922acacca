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

constexpr wchar_t kInstanceMutexName[] = L"Local\\Quellaro.SingleInstance";

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

// True when this start is, or has become, the one instance. The mutex
// stays open for the life of the process; a start that takes over holds it
// already, so that no third start slips in while the running copy closes.
bool ClaimSingleInstance(quellaro::UniqueKernelHandle& instanceMutex) {
  instanceMutex.reset(::CreateMutexW(nullptr, FALSE, kInstanceMutexName));
  const DWORD mutexError = ::GetLastError();
  if (mutexError != ERROR_ALREADY_EXISTS && !(!instanceMutex && mutexError == ERROR_ACCESS_DENIED)) return true;
  quellaro::Win32RunningCopy running;
  if (!quellaro::TakeOver(running)) return false;
  if (instanceMutex) return true;
  // Denied before: the mutex went with the copy that held it.
  instanceMutex.reset(::CreateMutexW(nullptr, FALSE, kInstanceMutexName));
  return instanceMutex && ::GetLastError() != ERROR_ALREADY_EXISTS;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace quellaro;
  RestrictDllSearch();

  // A second start leaves at once, before it has a window or reads or
  // writes anything, so the running instance and its settings are untouched.
  // A copy running as administrator holds a mutex that this one may not
  // open: denied access means that it exists just the same. Only a start as
  // administrator that finds one that is not goes on, once that one closed.
  UniqueKernelHandle instanceMutex;
  if (!ClaimSingleInstance(instanceMutex)) return 0;

  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  int exitCode = 0;
  {
    WindowCount windows;
    Win32Platform platform;
    AboutWindow about(instance, windows);
    MainWindow main(platform, ApplicationDirectory(), about, windows);
    if (main.Create(instance)) {
      MSG message{};
      BOOL got;
      while ((got = ::GetMessageW(&message, nullptr, 0, 0)) != 0 && got != -1) {
        if (main.PreTranslate(message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
      exitCode = got == -1 ? 1 : static_cast<int>(message.wParam);
    } else {
      exitCode = 1;
    }
  }
  return exitCode;
}
