#include "Harness.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <future>
#include <iterator>
#include <sstream>
#include <thread>

#include "app/Layout.h"
#include "platform/UniqueHandle.h"
#include "tray/Tray.h"

namespace e2e {

std::wstring ModulePath() {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return std::wstring(path, length);
}

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

namespace {

constexpr wchar_t kDemoClass[] = L"QuellaroE2EDemo";
constexpr wchar_t kStageClass[] = L"QuellaroE2EStage";
constexpr wchar_t kTaskbarClass[] = L"Shell_TrayWnd";
// The tray's overflow flyout, on Windows 10 and on Windows 11: it exists,
// hidden, until it is opened.
constexpr const wchar_t* kOverflowClasses[] = {L"NotifyIconOverflowWindow", L"TopLevelWindowForOverflowXamlIsland"};
constexpr int kStageSize = 32;
constexpr int kStageInset = 8;  // from the work area's top-left corner

std::wstring ModuleDirectory() {
  const std::wstring path = ModulePath();
  return path.substr(0, path.find_last_of(L'\\'));
}

void SendKey(WORD virtualKey, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  ::SendInput(1, &input, sizeof(input));
}

// Every process the driver starts runs in this job, which ends them all when
// the driver ends, however it ends: "JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE
// Causes all processes associated with the job to terminate when the last
// handle to the job is closed."
// https://learn.microsoft.com/en-us/windows/win32/api/winnt/ns-winnt-jobobject_basic_limit_information
HANDLE DriverJob() {
  static const HANDLE job = [] {
    HANDLE created = ::CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    return created;
  }();
  return job;
}

void SendMouse(DWORD flags, POINT screen) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  const int width = ::GetSystemMetrics(SM_CXSCREEN);
  const int height = ::GetSystemMetrics(SM_CYSCREEN);
  input.mi.dx = static_cast<LONG>((screen.x * 65535 + width / 2) / (width - 1));
  input.mi.dy = static_cast<LONG>((screen.y * 65535 + height / 2) / (height - 1));
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
  ::SendInput(1, &input, sizeof(input));
}

// A refusing demo window cancels every change of its Z order, as a window
// may in WM_WINDOWPOSCHANGING; SetWindowPos still succeeds.
DemoKind demoKind = DemoKind::Plain;

LRESULT CALLBACK DemoProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN && wParam == VK_F8 && demoKind == DemoKind::Sleeping) ::Sleep(9000);
  if (message == WM_NULL && (demoKind == DemoKind::BusyAfterAnswering || demoKind == DemoKind::BrieflyBusy)) {
    ::ReplyMessage(0);
    ::Sleep(demoKind == DemoKind::BrieflyBusy ? 550 : 9000);
    return 0;
  }
  if (message == WM_WINDOWPOSCHANGING && demoKind == DemoKind::Refusing) {
    auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
    const HWND after = position->hwndInsertAfter;
    if (after == HWND_TOPMOST || after == HWND_NOTOPMOST || after == HWND_BOTTOM) position->flags |= SWP_NOZORDER;
  }
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, Milliseconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(2ms);
  }
}

testing::AssertionResult Eventually(const std::function<testing::AssertionResult()>& check, Milliseconds deadline) {
  testing::AssertionResult last = testing::AssertionFailure();
  WaitUntil([&] { return static_cast<bool>(last = check()); }, deadline);
  return last;
}

void Pause(Milliseconds duration) { std::this_thread::sleep_for(duration); }

AppFolder::AppFolder() {
  static int counter = 0;
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wostringstream name;
  // Process ids repeat from one Wine session to the next: the tick count
  // keeps a folder left by an earlier, interrupted run out of the way.
  name << temp << L"quellaro-e2e-" << ::GetCurrentProcessId() << L"-" << ::GetTickCount64() << L"-" << ++counter;
  path_ = name.str();
  ::CreateDirectoryW(path_.c_str(), nullptr);
  ::CopyFileW((ModuleDirectory() + L"\\Quellaro.exe").c_str(), Exe().c_str(), FALSE);
}

AppFolder::~AppFolder() {
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW((path_ + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = path_ + L"\\" + name;
      ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ::RemoveDirectoryW(full.c_str());
      } else {
        ::DeleteFileW(full.c_str());
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryW(path_.c_str());
}

void AppFolder::WriteConfig(const std::string& bytes) const {
  std::ofstream out(Config().c_str(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::optional<std::string> AppFolder::ReadConfig() const {
  std::ifstream in(Config().c_str(), std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Process Process::Start(const std::wstring& exe, const std::wstring& arguments, std::optional<WORD> show, HANDLE output,
                       HANDLE token) {
  Process process;
  std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (show) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = *show;
  }
  if (output) {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  // Started suspended and put in the job before it runs a single
  // instruction, so that nothing it starts escapes the job either.
  // https://learn.microsoft.com/en-us/windows/win32/api/jobapi2/nf-jobapi2-assignprocesstojobobject
  // Wine now and then fails to start a process at all (seen once in some
  // hundred starts, under load); that is no fault of the program started, so
  // it is tried again, and said.
  const BOOL inherit = output != nullptr;
  const auto create = [&] {
    return token ? ::CreateProcessAsUserW(token, exe.c_str(), commandLine.data(), nullptr, nullptr, inherit,
                                          CREATE_SUSPENDED, nullptr, folder.c_str(), &startup, &process.info_)
                 : ::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, inherit, CREATE_SUSPENDED,
                                    nullptr, folder.c_str(), &startup, &process.info_);
  };
  for (int attempt = 1; !create(); ++attempt) {
    std::fprintf(stderr, "e2e: starting %s failed with error %lu (attempt %d)\n", Utf8(exe).c_str(), ::GetLastError(),
                 attempt);
    if (attempt == 3) return process;
    Pause(200ms);
  }
  if (!::AssignProcessToJobObject(DriverJob(), process.info_.hProcess)) {
    std::fprintf(stderr, "e2e: process %lu is not in the driver's job (error %lu)\n", process.info_.dwProcessId,
                 ::GetLastError());
  }
  ::ResumeThread(process.info_.hThread);
  return process;
}

Process Process::Adopt(HANDLE handle) {
  Process process;
  process.info_.hProcess = handle;
  process.info_.dwProcessId = ::GetProcessId(handle);
  ::AssignProcessToJobObject(DriverJob(), handle);
  return process;
}

void EndStartedProcesses() { ::TerminateJobObject(DriverJob(), 1); }

Process::~Process() {
  Kill();
  if (info_.hThread) ::CloseHandle(info_.hThread);
  if (info_.hProcess) ::CloseHandle(info_.hProcess);
}

Process::Process(Process&& other) noexcept : info_(other.info_) { other.info_ = PROCESS_INFORMATION{}; }

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Process old(std::move(*this));
    info_ = other.info_;
    other.info_ = PROCESS_INFORMATION{};
  }
  return *this;
}

void Process::WaitIdle() const {
  if (info_.hProcess) ::WaitForInputIdle(info_.hProcess, 5000);
}

bool Process::Running() const { return info_.hProcess && ::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Process::WaitExit(Milliseconds deadline) {
  if (!info_.hProcess) return std::nullopt;
  if (::WaitForSingleObject(info_.hProcess, static_cast<DWORD>(deadline.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  ::GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void Process::Kill() {
  if (Running()) {
    ::TerminateProcess(info_.hProcess, 99);
    ::WaitForSingleObject(info_.hProcess, 5000);
  }
}

std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className) {
  struct Search {
    DWORD processId;
    const wchar_t* className;
    std::vector<HWND> found;
  } search{processId, className, {}};
  ::EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto* s = reinterpret_cast<Search*>(parameter);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == s->processId && (!s->className || ClassName(window) == s->className)) {
          s->found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindTopLevel(DWORD processId, const wchar_t* className, Milliseconds deadline) {
  HWND result = nullptr;
  WaitUntil(
      [&] {
        const auto windows = TopLevelWindows(processId, className);
        result = windows.empty() ? nullptr : windows.front();
        return result != nullptr;
      },
      deadline);
  return result;
}

std::wstring Text(HWND window) {
  wchar_t buffer[1024] = {};
  ::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, nullptr);
  return buffer;
}

std::string Utf8(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string result(size > 0 ? size : 1, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), size, nullptr, nullptr);
  result.resize(result.size() - 1);
  return result;
}

std::wstring ClassName(HWND window) {
  wchar_t buffer[256] = {};
  ::GetClassNameW(window, buffer, 256);
  return buffer;
}

std::string Describe(HWND window) {
  if (!window) return "no window";
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  std::ostringstream text;
  text << Utf8(ClassName(window)) << " \"" << Utf8(Text(window)) << "\" (process " << process
       << (process == ::GetCurrentProcessId() ? ", this driver)" : ")");
  return text.str();
}

testing::AssertionResult InFront(HWND window, Milliseconds deadline) {
  if (WaitUntil([&] { return ::GetForegroundWindow() == window; }, deadline)) return testing::AssertionSuccess();
  return testing::AssertionFailure() << Describe(window) << " is not in front after " << deadline.count()
                                     << " ms; in front is " << Describe(::GetForegroundWindow());
}

bool IsTopmost(HWND window) { return (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

HWND FocusIn(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

RECT ChildRect(HWND child) {
  RECT rect{};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

RECT ClientRectOnScreen(HWND window) {
  RECT rect{};
  ::GetClientRect(window, &rect);
  ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void KeyDown(WORD virtualKey) { SendKey(virtualKey, false); }
void KeyUp(WORD virtualKey) { SendKey(virtualKey, true); }

void Tap(WORD virtualKey) {
  KeyDown(virtualKey);
  Pause(30ms);
  KeyUp(virtualKey);
  Pause(30ms);
}

namespace {

void SendClick(POINT screen, bool right) {
  // Arrive from a neighbouring pixel, so that the target always sees the
  // pointer move in, even where it already rests.
  SendMouse(MOUSEEVENTF_MOVE, POINT{screen.x - 3, screen.y - 3});
  Pause(20ms);
  SendMouse(MOUSEEVENTF_MOVE, screen);
  WaitUntil(
      [&] {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        return cursor.x == screen.x && cursor.y == screen.y;
      },
      500ms);
  Pause(30ms);
  SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, screen);
  Pause(20ms);
  SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, screen);
  Pause(50ms);
}

// The top-level window that a click at `screen` reaches. WindowFromPoint
// skips hidden and disabled windows, as a click does.
// https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-windowfrompoint
HWND RootAt(POINT screen) {
  HWND window = ::WindowFromPoint(screen);
  return window ? ::GetAncestor(window, GA_ROOT) : nullptr;
}

testing::AssertionResult CheckedClick(HWND target, POINT screen, bool right) {
  const HWND meant = ::GetAncestor(target, GA_ROOT);
  const HWND there = RootAt(screen);
  if (there != meant) {
    return testing::AssertionFailure() << "a click meant for " << Describe(meant) << " at " << screen.x << ","
                                       << screen.y << " would land on " << Describe(there);
  }
  SendClick(screen, right);
  return testing::AssertionSuccess();
}

// The driver's own window: a small topmost box in the work area's top-left
// corner, on a thread of its own that handles its messages, so that a click
// on it activates it while the tests wait.
HWND StageWindow() {
  static const HWND stage = [] {
    std::promise<HWND> created;
    std::future<HWND> window = created.get_future();
    std::thread([promise = std::move(created)]() mutable {
      WNDCLASSEXW windowClass{};
      windowClass.cbSize = sizeof(windowClass);
      windowClass.lpfnWndProc = ::DefWindowProcW;
      windowClass.hInstance = ::GetModuleHandleW(nullptr);
      windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
      windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1);
      windowClass.lpszClassName = kStageClass;
      ::RegisterClassExW(&windowClass);
      promise.set_value(::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kStageClass, L"Quellaro e2e driver",
                                          WS_POPUP | WS_BORDER, 0, 0, kStageSize, kStageSize, nullptr, nullptr,
                                          windowClass.hInstance, nullptr));
      MSG message;
      while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
    }).detach();
    return window.get();
  }();
  return stage;
}

// Windows lets a process set the foreground window only under conditions,
// one of them that "the calling process received the last input event".
// https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-setforegroundwindow
// So the driver clicks a window of its own, and then passes the right on to
// the programs it starts: "If this parameter is ASFW_ANY, all processes will
// be enabled to set the foreground window" (until the next input elsewhere).
// https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-allowsetforegroundwindow
testing::AssertionResult TakeForeground() {
  HWND stage = StageWindow();
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const POINT corner{work.left + kStageInset, work.top + kStageInset};
  ::SetWindowPos(stage, HWND_TOPMOST, corner.x, corner.y, kStageSize, kStageSize, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  const testing::AssertionResult clicked =
      CheckedClick(stage, POINT{corner.x + kStageSize / 2, corner.y + kStageSize / 2}, false);
  if (!clicked) return clicked;
  const testing::AssertionResult inFront = InFront(stage, 2000ms);
  if (!inFront) return inFront;
  if (!::AllowSetForegroundWindow(ASFW_ANY)) {
    return testing::AssertionFailure() << "AllowSetForegroundWindow(ASFW_ANY) failed with error " << ::GetLastError();
  }
  return testing::AssertionSuccess();
}

void HideStage() {
  ::SetWindowPos(StageWindow(), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
}

}  // namespace

testing::AssertionResult BringToFront(HWND window) {
  const testing::AssertionResult taken = TakeForeground();
  if (!taken) return taken;
  ::SetForegroundWindow(window);
  HideStage();
  return InFront(window, 2000ms);
}

void Click(HWND target, POINT screen, bool right) {
  const testing::AssertionResult clicked = CheckedClick(target, screen, right);
  if (!clicked) ADD_FAILURE() << clicked.message();
}

void ClickCenter(HWND window, bool right) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  Click(window, POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, right);
}

testing::AssertionResult Activate(HWND window) {
  // A spot of the client area where no control of either window lies.
  const RECT client = ClientRectOnScreen(window);
  const POINT spot{client.right - 12, client.top + (client.bottom - client.top) * 3 / 5};
  if (RootAt(spot) != window) {
    // Another window covers the spot: the driver may raise this one itself.
    const testing::AssertionResult raised = BringToFront(window);
    if (!raised) return raised;
  }
  const testing::AssertionResult clicked = CheckedClick(window, spot, false);
  if (!clicked) return clicked;
  return InFront(window);
}

bool HoldUntil(WORD virtualKey, const std::function<bool()>& changed, Milliseconds deadline) {
  KeyDown(virtualKey);
  const bool result = WaitUntil(changed, deadline);
  KeyUp(virtualKey);
  Pause(20ms);
  return result;
}

namespace {

// The shell's rectangle of the icon, which Quellaro adds to its main window
// under a fixed id. Nothing while there is none.
std::optional<RECT> ShellIconRect(HWND main) {
  NOTIFYICONIDENTIFIER icon{};
  icon.cbSize = sizeof(icon);
  icon.hWnd = main;
  icon.uID = quellaro::kTrayIconId;
  RECT rect{};
  if (FAILED(::Shell_NotifyIconGetRect(&icon, &rect))) return std::nullopt;
  return rect;
}

using UniqueKernelHandle = quellaro::UniqueHandle<HANDLE, ::CloseHandle>;

std::string RectText(const RECT& rect) {
  std::ostringstream text;
  text << rect.left << "," << rect.top << "-" << rect.right << "," << rect.bottom;
  return text.str();
}

// A 32-bit process on 64-bit Windows.
bool Wow64(HANDLE process) {
  BOOL wow64 = FALSE;
  ::IsWow64Process(process, &wow64);
  return wow64 != FALSE;
}

// One tray icon as Wine's shell shows it: the window that it is drawn in and
// where, on the screen.
struct WineTrayIcon {
  HWND window = nullptr;
  RECT rect{};
  bool shown = false;
};

// What the tray shows: the icons whose tip is Quellaro's, and every tip it
// has, for failure messages; or why it could not be read.
struct WineTray {
  std::string failure;
  HWND tray = nullptr;
  std::vector<WineTrayIcon> icons;
  std::vector<std::wstring> tips;
};

// A tool's TTTOOLINFOW and text must be in the memory of the tooltip's own
// process: TTM_ENUMTOOLSW fills both through the pointers it is given.
// https://learn.microsoft.com/en-us/windows/win32/controls/ttm-enumtools
class RemoteToolInfo {
 public:
  explicit RemoteToolInfo(HANDLE process)
      : process_(process),
        memory_(
            static_cast<BYTE*>(::VirtualAllocEx(process, nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {}
  ~RemoteToolInfo() {
    if (memory_) ::VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
  }
  RemoteToolInfo(const RemoteToolInfo&) = delete;
  RemoteToolInfo& operator=(const RemoteToolInfo&) = delete;

  bool Allocated() const { return memory_ != nullptr; }
  // Tool `index` of `tooltip`, with its text; nothing when it could not be
  // read. Every tool names a window, so one that names none was not filled
  // in (the message's answer is documented as FALSE either way).
  std::optional<std::pair<TTTOOLINFOW, std::wstring>> Tool(HWND tooltip, WPARAM index) const {
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.lpszText = reinterpret_cast<wchar_t*>(memory_ + sizeof(info));
    const wchar_t empty = L'\0';
    wchar_t text[kTextLength + 1] = {};
    if (!::WriteProcessMemory(process_, memory_, &info, sizeof(info), nullptr) ||
        !::WriteProcessMemory(process_, info.lpszText, &empty, sizeof(empty), nullptr) ||
        !::SendMessageTimeoutW(tooltip, TTM_ENUMTOOLSW, index, reinterpret_cast<LPARAM>(memory_), SMTO_ABORTIFHUNG,
                               2000, nullptr) ||
        !::ReadProcessMemory(process_, memory_, &info, sizeof(info), nullptr) ||
        !::ReadProcessMemory(process_, memory_ + sizeof(info), text, kTextLength * sizeof(wchar_t), nullptr) ||
        !info.hwnd) {
      return std::nullopt;
    }
    return std::make_pair(info, std::wstring(text));
  }

 private:
  // Room for any tip: Windows keeps 80 characters of a tool's text, Wine 128.
  static constexpr SIZE_T kTextLength = 1024;
  static constexpr SIZE_T kSize = sizeof(TTTOOLINFOW) + (kTextLength + 1) * sizeof(wchar_t);
  HANDLE process_;
  BYTE* memory_;
};

// Wine's tray, read from the tooltips of its icons: a tool that names a
// window (TTF_IDISHWND) is that window, another one is a rectangle of the
// client area of the window it names.
WineTray ReadWineTray() {
  WineTray result;
  result.tray = ::FindWindowW(kTaskbarClass, nullptr);
  if (!result.tray) {
    result.failure = "there is no tray: no window of class Shell_TrayWnd";
    return result;
  }
  DWORD shell = 0;
  ::GetWindowThreadProcessId(result.tray, &shell);
  const UniqueKernelHandle process(::OpenProcess(
      PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shell));
  if (!process) {
    result.failure = "the tray's process " + std::to_string(shell) + " cannot be opened to read its tooltips (error " +
                     std::to_string(::GetLastError()) + ")";
    return result;
  }
  if (Wow64(process.get()) != Wow64(::GetCurrentProcess())) {
    result.failure = "the tray's process " + std::to_string(shell) + " and this driver differ in bitness, and so in " +
                     "the layout of TTTOOLINFOW";
    return result;
  }
  const RemoteToolInfo remote(process.get());
  if (!remote.Allocated()) {
    result.failure = "no memory in the tray's process " + std::to_string(shell) + " for reading its tooltips (error " +
                     std::to_string(::GetLastError()) + ")";
    return result;
  }
  const std::wstring tip(quellaro::kTrayTip, quellaro::kTrayTip + sizeof(quellaro::kTrayTip) - 1);
  // A tooltip that cannot be read makes the whole tray unread, unless it has
  // gone meanwhile, with its icon.
  const auto unread = [&](HWND tooltip, const char* what) {
    result.failure = std::string("the tray's tooltip ") + Describe(tooltip) + " does not tell " + what;
  };
  for (HWND tooltip : TopLevelWindows(shell, TOOLTIPS_CLASSW)) {
    DWORD_PTR count = 0;
    if (!::SendMessageTimeoutW(tooltip, TTM_GETTOOLCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count)) {
      if (!::IsWindow(tooltip)) continue;
      unread(tooltip, "how many tools it has (TTM_GETTOOLCOUNT)");
      return result;
    }
    for (WPARAM index = 0; index < count; ++index) {
      const auto tool = remote.Tool(tooltip, index);
      if (!tool) {
        if (!::IsWindow(tooltip)) break;
        unread(tooltip, "its tools (TTM_ENUMTOOLSW)");
        return result;
      }
      const auto& [info, text] = *tool;
      result.tips.push_back(text);
      if (text != tip) continue;
      WineTrayIcon icon;
      if (info.uFlags & TTF_IDISHWND) {
        icon.window = reinterpret_cast<HWND>(info.uId);
        ::GetWindowRect(icon.window, &icon.rect);
      } else {
        icon.window = info.hwnd;
        icon.rect = info.rect;
        ::MapWindowPoints(icon.window, nullptr, reinterpret_cast<POINT*>(&icon.rect), 2);
      }
      const bool inTray = icon.window == result.tray || ::IsChild(result.tray, icon.window);
      icon.shown = inTray && ::IsWindowVisible(icon.window) && !::IsRectEmpty(&icon.rect);
      result.icons.push_back(icon);
    }
  }
  return result;
}

std::vector<WineTrayIcon> ShownIcons(const WineTray& tray) {
  std::vector<WineTrayIcon> shown;
  for (const WineTrayIcon& icon : tray.icons) {
    if (icon.shown) shown.push_back(icon);
  }
  return shown;
}

// What the tray shows, for a failure message.
std::string TrayContents(const WineTray& tray) {
  std::ostringstream text;
  text << "the tray " << Describe(tray.tray) << (::IsWindowVisible(tray.tray) ? "" : ", hidden,") << " has "
       << tray.tips.size() << " icon tip(s)";
  for (const std::wstring& tip : tray.tips) text << " \"" << Utf8(tip) << "\"";
  for (const WineTrayIcon& icon : tray.icons) {
    text << "; Quellaro's tip is on " << Describe(icon.window) << " at " << RectText(icon.rect)
         << (icon.shown ? ", shown" : ", not shown");
  }
  return text.str();
}

// Quellaro's one shown icon in Wine's tray; the failure says what the tray
// shows instead.
testing::AssertionResult FindWineTrayIcon(WineTrayIcon& found) {
  const WineTray tray = ReadWineTray();
  if (!tray.failure.empty()) return testing::AssertionFailure() << "Quellaro's tray icon: " << tray.failure;
  const std::vector<WineTrayIcon> shown = ShownIcons(tray);
  if (shown.size() != 1) {
    return testing::AssertionFailure() << "looking for the one tray icon whose tooltip says \"" << quellaro::kTrayTip
                                       << "\", found " << shown.size() << ": " << TrayContents(tray);
  }
  found = shown.front();
  return testing::AssertionSuccess();
}

}  // namespace

testing::AssertionResult ClickTrayIcon(HWND main, bool right) {
  if (UnderWine()) {
    WineTrayIcon icon;
    const testing::AssertionResult found = FindWineTrayIcon(icon);
    if (!found) return found;
    const POINT centre{(icon.rect.left + icon.rect.right) / 2, (icon.rect.top + icon.rect.bottom) / 2};
    HWND there = ::WindowFromPoint(centre);
    if (there != icon.window) {
      return testing::AssertionFailure() << "Quellaro's tray icon, drawn in " << Describe(icon.window) << " at "
                                         << RectText(icon.rect) << ", cannot be clicked: at its centre is "
                                         << Describe(there);
    }
    return CheckedClick(icon.window, centre, right);
  }
  HWND taskbar = ::FindWindowW(kTaskbarClass, nullptr);
  DWORD shell = 0;
  ::GetWindowThreadProcessId(taskbar, &shell);
  // "When an icon is added to the notification area on Windows 7, it is
  // added to the overflow section of the notification area by default."
  // https://learn.microsoft.com/en-us/windows/win32/shell/notification-area
  // The shell then gives the rectangle of the button that opens the
  // overflow flyout; once the flyout is open, that of the icon in it. The
  // icons themselves are buttons of a toolbar control, there and in the
  // flyout.
  for (int attempt = 0;; ++attempt) {
    const std::optional<RECT> rect = ShellIconRect(main);
    if (!rect) return testing::AssertionFailure() << "the shell has no tray icon for " << Describe(main);
    const POINT centre{(rect->left + rect->right) / 2, (rect->top + rect->bottom) / 2};
    HWND under = ::WindowFromPoint(centre);
    HWND root = under ? ::GetAncestor(under, GA_ROOT) : nullptr;
    DWORD owner = 0;
    if (root) ::GetWindowThreadProcessId(root, &owner);
    const bool shellWindow = root && owner == shell;
    if (shellWindow && ClassName(under) == TOOLBARCLASSNAMEW) return CheckedClick(root, centre, right);
    if (!shellWindow || attempt > 0) {
      return testing::AssertionFailure() << "Quellaro's tray icon cannot be reached: the shell puts it at "
                                         << rect->left << "," << rect->top << "-" << rect->right << "," << rect->bottom
                                         << ", where " << Describe(under) << " is";
    }
    // In the overflow area: open the flyout, as a person does, and ask again
    // once it shows.
    const testing::AssertionResult opened = CheckedClick(root, centre, false);
    if (!opened) return opened;
    const bool flyout = WaitUntil([] {
      for (const wchar_t* overflowClass : kOverflowClasses) {
        HWND overflow = ::FindWindowW(overflowClass, nullptr);
        if (overflow && ::IsWindowVisible(overflow)) return true;
      }
      return false;
    });
    if (!flyout) {
      return testing::AssertionFailure() << "no visible NotifyIconOverflowWindow or "
                                            "TopLevelWindowForOverflowXamlIsland after a click on "
                                         << Describe(under);
    }
    WaitUntil(
        [&] {
          const std::optional<RECT> now = ShellIconRect(main);
          return !now || !::EqualRect(&*now, &*rect);
        },
        3000ms);
  }
}

COLORREF ScreenPixel(POINT screen) {
  HDC dc = ::GetDC(nullptr);
  const COLORREF colour = ::GetPixel(dc, screen.x, screen.y);
  ::ReleaseDC(nullptr, dc);
  return colour;
}

int ScreenDpi() {
  HDC dc = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(nullptr, dc);
  return dpi;
}

bool UnderWine() {
  // Asked on every poll of the tray icon: looked up once.
  static const bool underWine = [] {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
  }();
  return underWine;
}

namespace {
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";
}  // namespace

ScreenDpiForNewProcesses::ScreenDpiForNewProcesses(DWORD dpi) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (::RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
      ERROR_SUCCESS) {
    previous_ = value;
  }
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &dpi, sizeof(dpi));
}

ScreenDpiForNewProcesses::~ScreenDpiForNewProcesses() {
  if (previous_) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &*previous_, sizeof(*previous_));
  } else {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
  }
}

testing::AssertionResult TrayIconShown(HWND main) {
  if (!UnderWine()) {
    if (ShellIconRect(main)) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the shell has no tray icon for " << Describe(main);
  }
  WineTrayIcon icon;
  return FindWineTrayIcon(icon);
}

testing::AssertionResult TrayIconGone(HWND main) {
  if (!UnderWine()) {
    const std::optional<RECT> rect = ShellIconRect(main);
    if (!rect) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the shell still has a tray icon for " << Describe(main) << " at "
                                       << RectText(*rect);
  }
  const WineTray tray = ReadWineTray();
  if (!tray.failure.empty()) return testing::AssertionFailure() << "Quellaro's tray icon: " << tray.failure;
  if (ShownIcons(tray).empty()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "Quellaro's tray icon is still shown: " << TrayContents(tray);
}

DemoWindow::DemoWindow(DemoKind kind) {
  const testing::AssertionResult foreground = TakeForeground();
  if (!foreground) failure_ = std::string("before starting the demo window: ") + foreground.message();
  process_ = Process::Start(ModulePath(), kDemoArguments[static_cast<int>(kind)]);
  process_.WaitIdle();
  window_ = FindTopLevel(process_.Id(), kDemoClass);
  if (window_) WaitUntil([&] { return ::GetForegroundWindow() == window_; });
  HideStage();
}

testing::AssertionResult DemoWindow::Started() const {
  if (!failure_.empty()) return testing::AssertionFailure() << failure_;
  if (!window_) return testing::AssertionFailure() << "the demo window (process " << process_.Id() << ") did not open";
  return InFront(window_);
}

Quellaro::Quellaro(const AppFolder& folder, std::optional<WORD> show) {
  // Start from rest: the pointer away from every window, and no click
  // recent enough to pair with the test's first one into a double click.
  SendMouse(MOUSEEVENTF_MOVE, POINT{1000, 20});
  Pause(Milliseconds(::GetDoubleClickTime() + 50));
  const testing::AssertionResult foreground = TakeForeground();
  if (!foreground) failure_ = std::string("before starting Quellaro: ") + foreground.message();
  process_ = Process::Start(folder.Exe(), L"", show);
  main_ = FindTopLevel(process_.Id(), quellaro::kMainWindowClass);
  // Start-up is over once Text1 names the hotkey and the window is shown
  // (and active) or has gone to the tray.
  WaitUntil([&] {
    if (!main_) return false;
    HWND text1 = ::GetDlgItem(main_, quellaro::kIdText1);
    if (!text1 || Text(text1) == L"F7") return false;
    return ::IsIconic(main_) ? !::IsWindowVisible(main_) : ::GetForegroundWindow() == main_;
  });
  process_.WaitIdle();
  HideStage();
}

testing::AssertionResult Quellaro::Started() const {
  if (!failure_.empty()) return testing::AssertionFailure() << failure_;
  if (!main_) {
    return testing::AssertionFailure() << "Quellaro (process " << process_.Id() << ") showed no main window"
                                       << (process_.Running() ? "" : " and has ended");
  }
  HWND text1 = ::GetDlgItem(main_, quellaro::kIdText1);
  if (!text1 || Text(text1) == L"F7") {
    return testing::AssertionFailure() << "start-up is not over: Text1 shows \"" << Utf8(Text(text1)) << "\"";
  }
  if (::IsIconic(main_)) {
    if (!::IsWindowVisible(main_)) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "Quellaro's main window is minimised but not hidden in the tray";
  }
  return InFront(main_);
}

Quellaro::~Quellaro() {
  // Ending it properly takes its tray icon away, which a killed process
  // would leave behind for the next test.
  for (int attempt = 0; attempt < 3 && process_.Running(); ++attempt) {
    for (HWND window : TopLevelWindows(process_.Id())) ::PostMessageW(window, WM_CLOSE, 0, 0);
    process_.WaitExit(2000ms);
  }
}

HWND Quellaro::OpenAbout() {
  ClickCenter(Control(quellaro::kIdCommand1));
  HWND about = FindTopLevel(process_.Id(), kAboutClass);
  if (about) WaitUntil([&] { return ::IsWindowVisible(about) != FALSE; });
  return about;
}

void Quellaro::Close() { ::PostMessageW(main_, WM_CLOSE, 0, 0); }

bool Quellaro::ExitsWithin(Milliseconds deadline) { return process_.WaitExit(deadline).has_value(); }

int RunDemoWindow(DemoKind kind, const wchar_t* className) {
  demoKind = kind;
  if (!className) className = kDemoClass;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = DemoProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = className;
  ::RegisterClassExW(&windowClass);
  const bool fullScreen = kind == DemoKind::FullScreen || kind == DemoKind::FullScreenTopmost;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& m = monitor.rcMonitor;
  const int left = kind == DemoKind::Sleeping || kind == DemoKind::BusyAfterAnswering ? 420 : 60;  // beside a plain one
  HWND window =
      ::CreateWindowExW(kind == DemoKind::FullScreenTopmost ? WS_EX_TOPMOST : 0, className, L"Quellaro demo",
                        fullScreen ? WS_POPUP : WS_OVERLAPPEDWINDOW, fullScreen ? m.left : left,
                        fullScreen ? m.top : 60, fullScreen ? m.right - m.left : 320,
                        fullScreen ? m.bottom - m.top : 220, nullptr, nullptr, windowClass.hInstance, nullptr);
  ::ShowWindow(window, SW_SHOWNORMAL);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace e2e
