// What the end-to-end tests do to Quellaro: start it in a folder of its own,
// find its windows, press keys and click with real input, read files back.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
using Milliseconds = std::chrono::milliseconds;

// Polls `condition` until it holds or the deadline passes; true if it held.
bool WaitUntil(const std::function<bool()>& condition, Milliseconds deadline = 5000ms);
// The same for a check that says what it saw: its last result.
testing::AssertionResult Eventually(const std::function<testing::AssertionResult()>& check,
                                    Milliseconds deadline = 5000ms);
void Pause(Milliseconds duration);

// A fresh folder with a copy of Quellaro.exe in it; removed at the end.
class AppFolder {
 public:
  AppFolder();
  ~AppFolder();
  AppFolder(const AppFolder&) = delete;
  AppFolder& operator=(const AppFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring Exe() const { return path_ + L"\\Quellaro.exe"; }
  std::wstring Config() const { return path_ + L"\\config.ini"; }
  void WriteConfig(const std::string& bytes) const;
  std::optional<std::string> ReadConfig() const;

 private:
  std::wstring path_;
};

// A running process, ended when this goes away.
class Process {
 public:
  // `show`, when given, is passed in the start-up information, as a
  // shortcut set to "Run: Maximized" (SW_SHOWMAXIMIZED) passes it.
  // `output`, when given, is an inheritable handle that gets the process's
  // standard output and error. With `token`, the process runs as that token
  // says (CreateProcessAsUserW).
  static Process Start(const std::wstring& exe, const std::wstring& arguments = L"",
                       std::optional<WORD> show = std::nullopt, HANDLE output = nullptr, HANDLE token = nullptr);
  // A process started by other means (ShellExecuteExW), put in the driver's
  // job as it runs; this takes over the handle.
  static Process Adopt(HANDLE process);
  Process() = default;
  ~Process();
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;

  DWORD Id() const { return info_.dwProcessId; }
  HANDLE Handle() const { return info_.hProcess; }
  bool Running() const;
  // Until the process waits for input with none pending (its start-up is over).
  void WaitIdle() const;
  // Waits for the process to end; its exit code, or nothing on timeout.
  std::optional<DWORD> WaitExit(Milliseconds deadline = 5000ms);
  void Kill();

 private:
  PROCESS_INFORMATION info_{};
};

// Top-level windows of a process with the given class (visible or not).
std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className = nullptr);
HWND FindTopLevel(DWORD processId, const wchar_t* className, Milliseconds deadline = 5000ms);

std::wstring Text(HWND window);
std::string Utf8(const std::wstring& text);  // for failure messages
std::wstring ClassName(HWND window);
// A window as a failure message names it: class, title and process.
std::string Describe(HWND window);
// Waits until `window` is the foreground window; the failure names the
// window that is in front instead.
[[nodiscard]] testing::AssertionResult InFront(HWND window, Milliseconds deadline = 5000ms);
bool IsTopmost(HWND window);
// The control that has the keyboard focus in a top-level window's thread.
HWND FocusIn(HWND window);
// A child control's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);
RECT ClientRectOnScreen(HWND window);

// Real input, as a person gives it.
void KeyDown(WORD virtualKey);
void KeyUp(WORD virtualKey);
void Tap(WORD virtualKey);
// Clicks `screen` for the window `target` (or the top-level window it is
// part of). When another window lies there the click is not made and the
// test fails, naming that window.
void Click(HWND target, POINT screen, bool right = false);
void ClickCenter(HWND window, bool right = false);
// Brings a window to the front as a person does, with a click on its client
// area away from controls, and tells whether it is in front after it.
[[nodiscard]] testing::AssertionResult Activate(HWND window);
// Brings a window that cannot be clicked safely (the taskbar, say) to the
// front with SetForegroundWindow, once the driver may set the foreground.
[[nodiscard]] testing::AssertionResult BringToFront(HWND window);

// Holds `virtualKey` until `changed` holds (or the deadline passes), then
// lets go at once, so that the 200 ms poll sees it on one tick only.
bool HoldUntil(WORD virtualKey, const std::function<bool()>& changed, Milliseconds deadline = 3000ms);

// Clicks the tray icon of Quellaro's main window `main`, and whether it is
// there, from the system's own answers. Windows' shell tells both
// (Shell_NotifyIconGetRect); an icon in the overflow area is reached through
// the flyout, as a person reaches it. Wine's shell does not answer that call,
// but gives every tray icon a tooltip control whose one tool is the icon, with
// its tip as the tool's text. The tool names where the icon is drawn: Wine 10
// draws each icon in a window of its own (class __wine_tray_icon) inside the
// tray window, which in a virtual desktop without a taskbar is a small
// captioned window at the top left, hidden while it has no icons; Wine 8 draws
// them all into the taskbar along the bottom, each in a rectangle that its
// tool gives. Quellaro's icon is the one whose tip is Quellaro's; more than one
// such icon is a failure, since the tray does not tell whose each is.
[[nodiscard]] testing::AssertionResult ClickTrayIcon(HWND main, bool right = false);
// TrayIconShown succeeds when the icon is shown, TrayIconGone when the system
// says that none is; a failure says what was found instead, or why the tray
// could not be read (which is never taken for "gone").
[[nodiscard]] testing::AssertionResult TrayIconShown(HWND main);
[[nodiscard]] testing::AssertionResult TrayIconGone(HWND main);
COLORREF ScreenPixel(POINT screen);
int ScreenDpi();

bool UnderWine();
// The value of an environment variable; empty when it is not set.
std::wstring Environment(const wchar_t* name);
// This driver's own path.
std::wstring ModulePath();

// Under Wine: the DPI that processes started from now on see, until this
// goes away and the previous setting is back.
class ScreenDpiForNewProcesses {
 public:
  explicit ScreenDpiForNewProcesses(DWORD dpi);
  ~ScreenDpiForNewProcesses();
  ScreenDpiForNewProcesses(const ScreenDpiForNewProcesses&) = delete;
  ScreenDpiForNewProcesses& operator=(const ScreenDpiForNewProcesses&) = delete;

 private:
  std::optional<DWORD> previous_;
};

// Ends every process that Process::Start started and that is still running,
// the ones they started included.
void EndStartedProcesses();

// The demo window's kinds, started by the argument of the same index. A
// refusing one keeps its Z order, as some windows do on their own; a sleeping
// one stops answering for 9 s from F8 on; a full-screen one is a captionless
// window as large as the monitor, as a game or a film is.
// A busy-after-answering one answers each message sent from another thread,
// then stops answering for 9 s, as a program that starts a long job does;
// a briefly busy one does the same for half a second only.
enum class DemoKind { Plain, Refusing, Sleeping, FullScreen, FullScreenTopmost, BusyAfterAnswering, BrieflyBusy };
inline constexpr const wchar_t* kDemoArguments[] = {L"--demo",
                                                    L"--demo-refusing",
                                                    L"--demo-sleeping",
                                                    L"--demo-full-screen",
                                                    L"--demo-full-screen-topmost",
                                                    L"--demo-busy-after-answering",
                                                    L"--demo-briefly-busy"};

// A window in another process, for Quellaro to pin, started in front.
class DemoWindow {
 public:
  explicit DemoWindow(DemoKind kind = DemoKind::Plain);
  HWND Window() const { return window_; }
  // Whether it opened and came to the front; the failure says what went wrong.
  [[nodiscard]] testing::AssertionResult Started() const;

 private:
  std::string failure_;
  Process process_;
  HWND window_ = nullptr;
};

inline constexpr wchar_t kAboutClass[] = L"Quellaro.frmAbout";

// Quellaro started in an AppFolder, with its main window found.
class Quellaro {
 public:
  explicit Quellaro(const AppFolder& folder, std::optional<WORD> show = std::nullopt);
  ~Quellaro();
  Quellaro(const Quellaro&) = delete;
  Quellaro& operator=(const Quellaro&) = delete;
  // Whether start-up is over: Text1 names the hotkey, and the main window is
  // in front or has gone to the tray. The failure says what is not so.
  [[nodiscard]] testing::AssertionResult Started() const;
  HWND Main() const { return main_; }
  HWND Control(int id) const { return ::GetDlgItem(main_, id); }
  Process& Proc() { return process_; }
  // Clicks the help button; the About window once it is visible, or null.
  HWND OpenAbout();
  void Close();  // as the close box does
  bool ExitsWithin(Milliseconds deadline = 5000ms);

 private:
  std::string failure_;
  Process process_;
  HWND main_ = nullptr;
};

// Runs the demo window's message loop when the test program is started with
// one of kDemoArguments, or with --demo-class NAME for a plain one of that class.
int RunDemoWindow(DemoKind kind = DemoKind::Plain, const wchar_t* className = nullptr);
// Pins and unpins a demo window with F8 and prints what happened.
int RunShowcase();
// Shows the main window, then the About window, asking for a picture of each.
int RunScreenshots();

}  // namespace e2e
