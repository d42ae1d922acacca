// Hiding in the notification area and coming back, with real clicks.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <thread>

#include "Harness.h"
#include "app/Layout.h"

namespace e2e {
namespace {

testing::AssertionResult InTray(Quellaro& app) {
  if (::IsWindowVisible(app.Main())) return testing::AssertionFailure() << "the main window is visible";
  if (!::IsIconic(app.Main())) return testing::AssertionFailure() << "the main window is not minimised";
  return TrayIconShown(app.Main());
}

TEST(Tray, ShowInTrayHidesTheWindowAndOnlyALeftClickBringsItBack) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ASSERT_TRUE(TrayIconGone(app.Main()));

  ClickCenter(app.Control(quellaro::kIdCmdMini));
  ASSERT_TRUE(Eventually([&] { return InTray(app); }));

  ASSERT_TRUE(ClickTrayIcon(app.Main(), /*right=*/true));
  ::SetCursorPos(200, 200);  // hovering elsewhere
  Pause(400ms);
  EXPECT_TRUE(InTray(app)) << "a right click must not restore";

  ASSERT_TRUE(ClickTrayIcon(app.Main()));
  ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(app.Main()) && !::IsIconic(app.Main()); }));
  EXPECT_TRUE(Eventually([&] { return TrayIconGone(app.Main()); })) << "the icon goes when the window comes back";
  EXPECT_TRUE(InFront(app.Main()));
  EXPECT_TRUE(WaitUntil([&] { return FocusIn(app.Main()) == app.Control(quellaro::kIdCmdMini); }))
      << "the focus is back on the button that sent the window to the tray";

  // And again: the same way there and back.
  ClickCenter(app.Control(quellaro::kIdCmdMini));
  ASSERT_TRUE(Eventually([&] { return InTray(app); }));
  Pause(Milliseconds(::GetDoubleClickTime() + 100));  // a single click, not the second of a double click
  ASSERT_TRUE(ClickTrayIcon(app.Main()));
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(app.Main()); }));
  EXPECT_TRUE(Eventually([&] { return TrayIconGone(app.Main()); }));
}

// A notification area that refuses every icon, as a busy shell does at
// sign-in, taking `delay` over each refusal. Wine's Shell_NotifyIcon hands
// the icon to the first window of the taskbar's class it finds, with no time
// limit; this one, topmost, comes before Wine's own.
class RefusingNotificationArea {
 public:
  explicit RefusingNotificationArea(Milliseconds delay = 0ms) : delay_(delay) {
    std::promise<HWND> created;
    std::future<HWND> window = created.get_future();
    thread_ = std::thread([this, &created] {
      WNDCLASSEXW windowClass{};
      windowClass.cbSize = sizeof(windowClass);
      windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        auto* self = reinterpret_cast<RefusingNotificationArea*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_COPYDATA && self) {
          ++self->calls_;
          Pause(self->delay_);
          self->lastAnswer_ = Now();
          ++self->answered_;
          return FALSE;  // the icon is refused
        }
        if (message == WM_DESTROY) ::PostQuitMessage(0);
        return ::DefWindowProcW(window, message, wParam, lParam);
      };
      windowClass.hInstance = ::GetModuleHandleW(nullptr);
      windowClass.lpszClassName = kTaskbarClass;
      ::RegisterClassExW(&windowClass);
      HWND area = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kTaskbarClass, nullptr, WS_POPUP, 0, 0, 0, 0,
                                    nullptr, nullptr, windowClass.hInstance, nullptr);
      ::SetWindowLongPtrW(area, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      created.set_value(area);
      MSG message;
      while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
    });
    window_ = window.get();
  }
  ~RefusingNotificationArea() {
    ::PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
    ::UnregisterClassW(kTaskbarClass, ::GetModuleHandleW(nullptr));
  }
  RefusingNotificationArea(const RefusingNotificationArea&) = delete;
  RefusingNotificationArea& operator=(const RefusingNotificationArea&) = delete;

  // How many shell calls it has been asked to answer so far, the one it is
  // answering included.
  int Calls() const { return calls_; }
  // How long it has answered no call: zero while it is answering one.
  Milliseconds Quiet() const { return answered_ == calls_ ? Milliseconds(Now() - lastAnswer_) : 0ms; }

 private:
  static constexpr wchar_t kTaskbarClass[] = L"Shell_TrayWnd";
  static long long Now() {
    return std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }
  const Milliseconds delay_;
  std::atomic<int> calls_{0};
  std::atomic<int> answered_{0};
  std::atomic<long long> lastAnswer_{Now()};
  std::thread thread_;
  HWND window_ = nullptr;
};

TEST(Tray, StartingInTheTrayWhileTheShellRefusesTheIconKeepsTheTaskbarButton) {
  if (!UnderWine()) GTEST_SKIP() << "Windows' shell cannot be made to refuse icons";
  AppFolder folder;
  folder.WriteConfig(" 116 \r\n 1 \r\n");
  constexpr Milliseconds kShellDelay = 2000ms;  // a shell this slow keeps Quellaro waiting on every call
  std::optional<RefusingNotificationArea> refusing(std::in_place, kShellDelay);
  Quellaro app(folder);
  ASSERT_TRUE(app.Main());
  Pause(3500ms);  // a refused add is tried again after 3 s
  EXPECT_TRUE(::IsIconic(app.Main()));
  EXPECT_TRUE(::IsWindowVisible(app.Main())) << "minimised with its taskbar button, not hidden without an icon";

  // The hotkey (F5 here) waits for one shell call at most. Between two
  // offers, the shell announces a new taskbar, which has the icon offered at
  // once: from then on a pin takes that call's 2 s and a tick, not 4 s.
  DemoWindow demo;
  ASSERT_TRUE(demo.Started());
  ASSERT_TRUE(Activate(demo.Window()));
  ASSERT_TRUE(WaitUntil([&] { return refusing->Quiet() >= 500ms; }, 20000ms)) << "the shell is never left in peace";
  const int calls = refusing->Calls();
  ::PostMessageW(app.Main(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return refusing->Calls() > calls; })) << "a new taskbar was not offered the icon";
  EXPECT_TRUE(HoldUntil(
      VK_F5, [&] { return IsTopmost(demo.Window()); }, kShellDelay + 1000ms))
      << "the hotkey pinned nothing within 3 s of a shell call's start; shell calls so far: " << refusing->Calls();

  // A notification area that takes icons; the shell announces it.
  refusing.reset();
  ::PostMessageW(app.Main(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  ASSERT_TRUE(Eventually([&] { return InTray(app); }));
  ASSERT_TRUE(ClickTrayIcon(app.Main()));
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(app.Main()) && !::IsIconic(app.Main()); }));
}

// Something other than the icon restores the hidden window (a window tool, a
// script), then the shell announces a new taskbar: the window stays shown
// and loses its icon, and the tray works as before.
TEST(Tray, AWindowRestoredByAnotherProgramIsNeverStranded) {
  AppFolder folder;
  folder.WriteConfig(" 119 \r\n 1 \r\n");
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ASSERT_TRUE(Eventually([&] { return InTray(app); }));
  const auto shown = [&] { return ::IsWindowVisible(app.Main()) && !::IsIconic(app.Main()); };

  ::ShowWindow(app.Main(), SW_RESTORE);
  ASSERT_TRUE(WaitUntil(shown));
  EXPECT_TRUE(Eventually([&] { return TrayIconGone(app.Main()); })) << "the icon goes when the window comes back";
  ::PostMessageW(app.Main(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  Pause(1000ms);
  EXPECT_TRUE(shown()) << "a new taskbar hid a window that was not minimised";
  EXPECT_TRUE(TrayIconGone(app.Main())) << "a new taskbar got an icon for a shown window";

  ASSERT_TRUE(Activate(app.Main()));
  ClickCenter(app.Control(quellaro::kIdCmdMini));
  ASSERT_TRUE(Eventually([&] { return InTray(app); }));
  ASSERT_TRUE(ClickTrayIcon(app.Main()));
  EXPECT_TRUE(WaitUntil(shown));
  EXPECT_TRUE(Eventually([&] { return TrayIconGone(app.Main()); }));
}

LRESULT HitTest(HWND window, POINT screen) {
  DWORD_PTR area = HTNOWHERE;
  ::SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y), SMTO_ABORTIFHUNG, 2000, &area);
  return static_cast<LRESULT>(area);
}

// The centre of a window's minimise box, as the window tells it: the title
// bar's parts where it answers WM_GETTITLEBARINFOEX (Windows does), else the
// stretch of the title bar that it hit-tests as the minimise box (Wine
// answers only that). Its caption buttons are not all SM_CXSIZE wide there:
// Wine 10's close box is wider.
std::optional<POINT> MinimiseBox(HWND window) {
  TITLEBARINFOEX info{};
  info.cbSize = sizeof(info);
  ::SendMessageW(window, WM_GETTITLEBARINFOEX, 0, reinterpret_cast<LPARAM>(&info));
  const RECT box = info.rgrect[2];  // the minimise button
  if (box.right > box.left) return POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  TITLEBARINFO bar{};
  bar.cbSize = sizeof(bar);
  if (!::GetTitleBarInfo(window, &bar)) return std::nullopt;
  const int y = (bar.rcTitleBar.top + bar.rcTitleBar.bottom) / 2;
  std::optional<int> right;
  for (int x = bar.rcTitleBar.right - 1; x >= bar.rcTitleBar.left; --x) {
    const bool inBox = HitTest(window, POINT{x, y}) == HTMINBUTTON;
    if (inBox && !right) right = x;
    if (!inBox && right) return POINT{(x + 1 + *right) / 2, y};
  }
  return std::nullopt;
}

TEST(Tray, TheTitleBarMinimiseBoxGoesToTheTrayToo) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ASSERT_TRUE(Activate(app.Main()));
  const std::optional<POINT> box = MinimiseBox(app.Main());
  ASSERT_TRUE(box) << "the main window tells no minimise box: it answers no WM_GETTITLEBARINFOEX, and no point of "
                      "its title bar hit-tests as HTMINBUTTON";
  ASSERT_EQ(HitTest(app.Main(), *box), HTMINBUTTON) << "the minimise box that WM_GETTITLEBARINFOEX gives, centred at "
                                                    << box->x << "," << box->y << ", does not hit-test as one";
  Click(app.Main(), *box);
  EXPECT_TRUE(Eventually([&] { return InTray(app); })) << "clicked the minimise box at " << box->x << "," << box->y;
}

TEST(Tray, ClosingFromTheTrayRemovesTheIconAndSaves) {
  AppFolder folder;
  folder.WriteConfig(" 119 \r\n 1 \r\n");
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ASSERT_TRUE(Eventually([&] { return InTray(app); }));
  ::DeleteFileW(folder.Config().c_str());

  app.Close();
  ASSERT_TRUE(app.ExitsWithin());
  EXPECT_TRUE(Eventually([&] { return TrayIconGone(app.Main()); }));
  EXPECT_EQ(folder.ReadConfig(), std::string(" 119 \r\n 1 \r\n"));
}

TEST(Tray, F8KeepsPinningWhileQuellaroIsInTheTray) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ClickCenter(app.Control(quellaro::kIdCmdMini));
  ASSERT_TRUE(Eventually([&] { return InTray(app); }));

  DemoWindow demo;
  ASSERT_TRUE(Activate(demo.Window()));
  EXPECT_TRUE(HoldUntil(VK_F8, [&] { return IsTopmost(demo.Window()); }));
  Pause(300ms);
  ASSERT_TRUE(Activate(demo.Window()));
  EXPECT_TRUE(HoldUntil(VK_F8, [&] { return !IsTopmost(demo.Window()); }));
}

}  // namespace
}  // namespace e2e
