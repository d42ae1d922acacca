#include "TestRun.h"

#include <dwmapi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Harness.h"
#include "platform/UniqueHandle.h"

namespace e2e {
namespace {

using quellaro::UniqueHandle;
using UniqueKernelHandle = UniqueHandle<HANDLE, ::CloseHandle>;
using UniqueMemoryDc = UniqueHandle<HDC, ::DeleteDC>;
using UniqueBitmap = UniqueHandle<HBITMAP, ::DeleteObject>;

// --- The desktop, before the first test -------------------------------------

// Coordinates in real pixels whatever the screen's scale, as the tests
// compare them with Quellaro's. It must come "before creating any UI in your
// process"; Windows before 10 version 1703 has only SetProcessDPIAware.
// https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-setprocessdpiawarenesscontext
const char* BecomeDpiAware() {
  using SetContextFn = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  auto setContext = reinterpret_cast<SetContextFn>(
      reinterpret_cast<void*>(::GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
  if (setContext && setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) return "per-monitor v2";
  if (::SetProcessDPIAware()) return "system (SetProcessDPIAware)";
  return "none";
}

// GetVersionEx answers no later than the versions the exe's manifest names
// (https://learn.microsoft.com/en-us/windows/win32/api/sysinfoapi/nf-sysinfoapi-getversionexw);
// RtlGetVersion tells the version that runs.
// https://learn.microsoft.com/en-us/windows-hardware/drivers/ddi/wdm/nf-wdm-rtlgetversion
std::string WindowsVersion() {
  using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
  using WineVersionFn = const char*(__cdecl*)();
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  auto getVersion =
      reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
  RTL_OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!getVersion || getVersion(&version) != 0) return "unknown";
  std::string text = std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion) + "." +
                     std::to_string(version.dwBuildNumber);
  auto wineVersion =
      reinterpret_cast<WineVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "wine_get_version")));
  if (wineVersion) text += std::string(" (Wine ") + wineVersion() + ")";
  return text;
}

// https://learn.microsoft.com/en-us/previous-versions/dotnet/articles/bb625966(v=msdn.10)
std::string IntegrityLevel() {
  HANDLE opened = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) return "unknown";
  const UniqueKernelHandle token(opened);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenIntegrityLevel, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  if (size == 0 || !::GetTokenInformation(token.get(), TokenIntegrityLevel, buffer.data(), size, &size)) {
    return "unknown";
  }
  const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
  const DWORD level = *::GetSidSubAuthority(sid, *::GetSidSubAuthorityCount(sid) - 1u);
  const char* name = level < SECURITY_MANDATORY_LOW_RID      ? "untrusted"
                     : level < SECURITY_MANDATORY_MEDIUM_RID ? "low"
                     : level < SECURITY_MANDATORY_HIGH_RID   ? "medium"
                     : level < SECURITY_MANDATORY_SYSTEM_RID ? "high"
                                                             : "system";
  char hex[16];
  std::snprintf(hex, sizeof(hex), "0x%04lx", level);
  return std::string(name) + " (" + hex + ")";
}

// Windows keeps some top-level windows visible but cloaked, never drawn
// (the frames of suspended store apps, the start menu).
// https://learn.microsoft.com/en-us/windows/win32/api/dwmapi/ne-dwmapi-dwmwindowattribute
bool Cloaked(HWND window) {
  DWORD cloaked = 0;
  return SUCCEEDED(::DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof(cloaked))) && cloaked != 0;
}

// Another program's window that stands in the way of the tests: visible,
// top-level, not owned, not a tool window, not the shell's.
bool InTheWay(HWND window) {
  if (!::IsWindowVisible(window) || ::IsIconic(window) || ::GetWindow(window, GW_OWNER)) return false;
  if (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return false;
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (process == ::GetCurrentProcessId() || window == ::GetShellWindow()) return false;
  // The taskbars, the desktop and the notification area's overflow flyout.
  for (const wchar_t* shell :
       {L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd", L"Progman", L"WorkerW", L"NotifyIconOverflowWindow"}) {
    if (ClassName(window) == shell) return false;
  }
  return !Cloaked(window);
}

BOOL CALLBACK CollectWindowsInTheWay(HWND window, LPARAM found) {
  if (InTheWay(window)) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

void PrepareDesktop() {
  std::printf("desktop: dpi awareness: %s\n", BecomeDpiAware());
  std::printf("desktop: screen: %dx%d at %d dpi; virtual screen %dx%d at %d,%d; %d monitor(s)\n",
              ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), ScreenDpi(),
              ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN),
              ::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
              ::GetSystemMetrics(SM_CMONITORS));
  std::printf("desktop: windows: %s\n", WindowsVersion().c_str());
  std::printf("desktop: foreground: %s\n", Describe(::GetForegroundWindow()).c_str());
  std::printf("desktop: taskbar: %s\n", ::FindWindowW(L"Shell_TrayWnd", nullptr) ? "yes" : "no");
  std::printf("desktop: integrity: %s\n", IntegrityLevel().c_str());

  std::vector<HWND> windows;
  ::EnumWindows(CollectWindowsInTheWay, reinterpret_cast<LPARAM>(&windows));
  for (HWND window : windows) {
    std::printf("desktop: minimised: %s\n", Describe(window).c_str());
    // Asynchronous, so that a window whose program hangs cannot stop the run.
    // https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-showwindowasync
    ::ShowWindowAsync(window, SW_MINIMIZE);
  }
  if (windows.empty()) std::printf("desktop: minimised: nothing\n");
  const auto minimised = [](HWND window) { return !::IsWindow(window) || ::IsIconic(window); };
  WaitUntil([&] {
    for (HWND window : windows) {
      if (!minimised(window)) return false;
    }
    return true;
  });
  for (HWND window : windows) {
    if (!minimised(window)) std::printf("desktop: not minimised: %s\n", Describe(window).c_str());
  }
  std::fflush(stdout);
}

// --- Screenshots ------------------------------------------------------------

// The test's full name as a file name: a parameterised test's slashes and
// anything else Windows refuses in a name become underscores.
std::wstring FileNameFor(const std::string& test) {
  std::wstring name;
  for (const char c : test) {
    const bool refused = static_cast<unsigned char>(c) < 32 || std::strchr("<>:\"/\\|?*", c) != nullptr;
    name += refused ? L'_' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  }
  return name + L".bmp";
}

// The whole virtual screen as a 24-bit bottom-up BMP: a file header, an
// info header and the rows, each padded to four bytes.
// https://learn.microsoft.com/en-us/windows/win32/gdi/bitmap-storage
bool WriteScreen(const std::wstring& path) {
  const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int width = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int height = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // positive: the bottom row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD imageSize = stride * static_cast<DWORD>(height);

  HDC screen = ::GetDC(nullptr);
  const UniqueMemoryDc memory(::CreateCompatibleDC(screen));
  void* bits = nullptr;
  const UniqueBitmap bitmap(::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  bool copied = false;
  if (memory && bitmap && bits) {
    HGDIOBJ previous = ::SelectObject(memory.get(), bitmap.get());
    // CAPTUREBLT takes in layered windows (menus, tooltips) too.
    copied = ::BitBlt(memory.get(), 0, 0, width, height, screen, left, top, SRCCOPY | CAPTUREBLT) != FALSE;
    ::GdiFlush();
    ::SelectObject(memory.get(), previous);
  }
  ::ReleaseDC(nullptr, screen);
  if (!copied) return false;

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + imageSize;
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  out.write(static_cast<const char*>(bits), imageSize);
  return static_cast<bool>(out);
}

// Into the folder QUELLARO_E2E_ARTIFACTS names, when it names one.
void SaveScreenshot(const std::string& test) {
  const std::wstring folder = Environment(L"QUELLARO_E2E_ARTIFACTS");
  if (folder.empty()) return;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring path = folder + L"\\" + FileNameFor(test);
  if (WriteScreen(path)) {
    std::printf("screenshot: %s\n", Utf8(path).c_str());
  } else {
    std::printf("screenshot: could not write %s\n", Utf8(path).c_str());
  }
  std::fflush(stdout);
}

std::string FullName(const testing::TestInfo& test) { return std::string(test.test_suite_name()) + "." + test.name(); }

// --- The listener -----------------------------------------------------------

// What the listener and its watchdog thread share; the thread keeps it for
// as long as it lives.
struct Watch {
  explicit Watch(unsigned seconds) : limit(seconds) {}
  const unsigned limit;
  std::mutex mutex;
  std::condition_variable changed;
  std::string running;  // the test running now, or nothing between tests
  std::chrono::steady_clock::time_point deadline;
  bool pictured = false;  // a screenshot of this test's failure was taken
};

// On its own thread: ends the driver, and all it started, when a test runs
// past its time.
void Watchdog(const std::shared_ptr<Watch>& watch) {
  std::unique_lock<std::mutex> lock(watch->mutex);
  for (;;) {
    if (watch->running.empty()) {
      watch->changed.wait(lock);
    } else if (watch->changed.wait_until(lock, watch->deadline) == std::cv_status::timeout && !watch->running.empty() &&
               std::chrono::steady_clock::now() >= watch->deadline) {
      std::printf("TIMEOUT: %s ran longer than %u s\n", watch->running.c_str(), watch->limit);
      std::fflush(stdout);
      SaveScreenshot(watch->running);
      EndStartedProcesses();
      std::fflush(stdout);
      std::fflush(stderr);
      // Not ExitProcess: the test's thread may hold a lock that exiting
      // would wait for.
      ::TerminateProcess(::GetCurrentProcess(), kTimeoutExitCode);
    }
  }
}

class TestRunListener : public testing::EmptyTestEventListener {
 public:
  explicit TestRunListener(unsigned limitSeconds) : watch_(std::make_shared<Watch>(limitSeconds)) {}

  void OnTestProgramStart(const testing::UnitTest&) override {
    PrepareDesktop();
    std::thread(Watchdog, watch_).detach();
  }

  void OnTestStart(const testing::TestInfo& test) override {
    const std::lock_guard<std::mutex> lock(watch_->mutex);
    watch_->running = FullName(test);
    watch_->deadline = std::chrono::steady_clock::now() + std::chrono::seconds(watch_->limit);
    watch_->pictured = false;
    watch_->changed.notify_all();
  }

  // The picture is taken at the first failure, while the windows that the
  // test started are still there.
  void OnTestPartResult(const testing::TestPartResult& result) override {
    if (!result.failed()) return;
    std::string test;
    {
      const std::lock_guard<std::mutex> lock(watch_->mutex);
      if (watch_->pictured || watch_->running.empty()) return;
      watch_->pictured = true;
      test = watch_->running;
    }
    SaveScreenshot(test);
  }

  void OnTestEnd(const testing::TestInfo&) override {
    const std::lock_guard<std::mutex> lock(watch_->mutex);
    watch_->running.clear();
    watch_->changed.notify_all();
  }

 private:
  std::shared_ptr<Watch> watch_;
};

// --- A test again, in a driver of its own ----------------------------------

// Set in the environment of a driver that runs a test again at a DPI.
constexpr wchar_t kAtDpiVariable[] = L"QUELLARO_E2E_AT_DPI";

// An environment variable as the processes started from now on see it (unset
// when empty), until this goes away.
class VariableForNewProcesses {
 public:
  VariableForNewProcesses(const wchar_t* name, const std::wstring& value) : name_(name), previous_(Environment(name)) {
    Set(value);
  }
  ~VariableForNewProcesses() { Set(previous_); }
  VariableForNewProcesses(const VariableForNewProcesses&) = delete;
  VariableForNewProcesses& operator=(const VariableForNewProcesses&) = delete;

 private:
  void Set(const std::wstring& value) const {
    ::SetEnvironmentVariableW(name_, value.empty() ? nullptr : value.c_str());
  }
  const wchar_t* name_;
  std::wstring previous_;
};

// Passes on what another driver printed, each line marked as its.
void PassOn(const std::string& output, const std::string& mark) {
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::printf("%s%s\n", mark.c_str(), line.c_str());
  }
  std::fflush(stdout);
}

}  // namespace

testing::AssertionResult RunThisTestAgainAtDpi(unsigned dpi) {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  if (!test) return testing::AssertionFailure() << "no test is running to run again";
  const std::string name = FullName(*test);
  if (!Environment(kAtDpiVariable).empty()) {
    return testing::AssertionFailure() << "this driver, started at " << Utf8(Environment(kAtDpiVariable))
                                       << " DPI to run " << name << ", sees the screen at " << ScreenDpi() << " DPI";
  }
  const ScreenDpiForNewProcesses setting(dpi);
  const VariableForNewProcesses marked(kAtDpiVariable, std::to_wstring(dpi));
  // Its pictures of a failure go into a folder of their own, where this
  // driver's picture of its own failure cannot replace them.
  const std::wstring artifacts = Environment(L"QUELLARO_E2E_ARTIFACTS");
  const VariableForNewProcesses pictures(
      L"QUELLARO_E2E_ARTIFACTS", artifacts.empty() ? L"" : artifacts + L"\\at-" + std::to_wstring(dpi) + L"-dpi");

  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
    return testing::AssertionFailure() << "no pipe for the output of a driver at " << dpi << " DPI (error "
                                       << ::GetLastError() << ")";
  }
  const UniqueKernelHandle reader(readEnd);
  UniqueKernelHandle writer(writeEnd);
  ::SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
  Process driver = Process::Start(ModulePath(), L"--gtest_filter=" + std::wstring(name.begin(), name.end()),
                                  std::nullopt, writer.get());
  writer.reset();  // the pipe then ends with the driver
  std::string output;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(reader.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) output.append(buffer, read);
  const std::optional<DWORD> exitCode = driver.WaitExit();
  const std::string mark = "[at " + std::to_string(dpi) + " dpi] ";
  PassOn(output, mark);
  if (exitCode == std::optional<DWORD>(0) && output.find("[  PASSED  ] 1 test.") != std::string::npos) {
    return testing::AssertionSuccess();
  }
  testing::AssertionResult failure = testing::AssertionFailure();
  failure << "the driver started at " << dpi << " DPI to run " << name << " (its output above, marked \"" << mark
          << "\") ";
  if (exitCode) {
    failure << "ended with exit code " << *exitCode << " and without \"[  PASSED  ] 1 test.\"";
  } else {
    failure << "did not end";
  }
  return failure;
}

bool WatchTheTests() {
  unsigned limit = kDefaultTimeLimitSeconds;
  const std::wstring setting = Environment(L"QUELLARO_E2E_TIMEOUT_SECONDS");
  if (!setting.empty()) {
    wchar_t* end = nullptr;
    const unsigned long seconds = std::wcstoul(setting.c_str(), &end, 10);
    if (*end != L'\0' || seconds == 0 || seconds > 24ul * 3600) {
      std::fprintf(stderr, "QUELLARO_E2E_TIMEOUT_SECONDS=%s is not a number of seconds (1 to 86400)\n",
                   Utf8(setting).c_str());
      return false;
    }
    limit = static_cast<unsigned>(seconds);
  }
  // GoogleTest takes ownership of its listeners.
  testing::UnitTest::GetInstance()->listeners().Append(std::make_unique<TestRunListener>(limit).release());
  return true;
}

}  // namespace e2e
