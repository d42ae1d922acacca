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

bool InTray(Quellaro& app) {
  return !::IsWindowVisible(app.Main()) && ::IsIconic(app.Main()) && TrayIconShown(app.Main());
}

TEST(Tray, ShowInTrayHidesTheWindowAndOnlyALeftClickBringsItBack) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ASSERT_FALSE(TrayIconShown(app.Main()));

  ClickCenter(app.Control(quellaro::kIdCmdMini));
  ASSERT_TRUE(WaitUntil([&] { return InTray(app); }));

  ASSERT_TRUE(ClickTrayIcon(app.Main(), /*right=*/true));
  ::SetCursorPos(200, 200);  // hovering elsewhere
  Pause(400ms);
  EXPECT_TRUE(InTray(app)) << "a right click must not restore";

  ASSERT_TRUE(ClickTrayIcon(app.Main()));
  ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(app.Main()) && !::IsIconic(app.Main()); }));
  EXPECT_TRUE(WaitUntil([&] { return !TrayIconShown(app.Main()); })) << "the icon goes when the window comes back";
  EXPECT_TRUE(InFront(app.Main()));
  EXPECT_TRUE(WaitUntil([&] { return FocusIn(app.Main()) == app.Control(quellaro::kIdCmdMini); }))
      << "the focus is back on the button that sent the window to the tray";

  // And again: the same way there and back.
  ClickCenter(app.Control(quellaro::kIdCmdMini));
  ASSERT_TRUE(WaitUntil([&] { return InTray(app); }));
  Pause(Milliseconds(::GetDoubleClickTime() + 100));  // a single click, not the second of a double click
  ASSERT_TRUE(ClickTrayIcon(app.Main()));
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(app.Main()) && !TrayIconShown(app.Main()); }));
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
  ASSERT_TRUE(WaitUntil([&] { return InTray(app); }));
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
  ASSERT_TRUE(WaitUntil([&] { return InTray(app); }));
  const auto shown = [&] { return ::IsWindowVisible(app.Main()) && !::IsIconic(app.Main()); };

  ::ShowWindow(app.Main(), SW_RESTORE);
  ASSERT_TRUE(WaitUntil(shown));
  EXPECT_TRUE(WaitUntil([&] { return !TrayIconShown(app.Main()); })) << "the icon goes when the window comes back";
  ::PostMessageW(app.Main(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  Pause(1000ms);
  EXPECT_TRUE(shown()) << "a new taskbar hid a window that was not minimised";
  EXPECT_FALSE(TrayIconShown(app.Main())) << "a new taskbar got an icon for a shown window";

  ASSERT_TRUE(Activate(app.Main()));
  ClickCenter(app.Control(quellaro::kIdCmdMini));
  ASSERT_TRUE(WaitUntil([&] { return InTray(app); }));
  ASSERT_TRUE(ClickTrayIcon(app.Main()));
  EXPECT_TRUE(WaitUntil([&] { return shown() && !TrayIconShown(app.Main()); }));
}

TEST(Tray, TheTitleBarMinimiseBoxGoesToTheTrayToo) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ASSERT_TRUE(Activate(app.Main()));
  // The minimise box is the left one of the two caption buttons.
  RECT window{};
  ::GetWindowRect(app.Main(), &window);
  TITLEBARINFOEX info{};
  info.cbSize = sizeof(info);
  ::SendMessageW(app.Main(), WM_GETTITLEBARINFOEX, 0, reinterpret_cast<LPARAM>(&info));
  RECT box = info.rgrect[2];  // minimise button
  POINT target{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  if (box.right <= box.left) {
    // Not reported: the caption buttons are square, at the right of the title bar.
    const int size = ::GetSystemMetrics(SM_CYCAPTION);
    const int frame = ::GetSystemMetrics(SM_CXFIXEDFRAME);
    target = POINT{window.right - frame - size * 2 - size / 2 + 2, window.top + frame + size / 2};
  }
  Click(app.Main(), target);
  EXPECT_TRUE(WaitUntil([&] { return InTray(app); })) << "clicked " << target.x << "," << target.y << " of window "
                                                      << window.left << "," << window.top << "-" << window.right;
}

TEST(Tray, ClosingFromTheTrayRemovesTheIconAndSaves) {
  AppFolder folder;
  folder.WriteConfig(" 119 \r\n 1 \r\n");
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ASSERT_TRUE(WaitUntil([&] { return InTray(app); }));
  ::DeleteFileW(folder.Config().c_str());

  app.Close();
  ASSERT_TRUE(app.ExitsWithin());
  EXPECT_TRUE(WaitUntil([&] { return !TrayIconShown(app.Main()); }));
  EXPECT_EQ(folder.ReadConfig(), std::string(" 119 \r\n 1 \r\n"));
}

TEST(Tray, F8KeepsPinningWhileQuellaroIsInTheTray) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ClickCenter(app.Control(quellaro::kIdCmdMini));
  ASSERT_TRUE(WaitUntil([&] { return InTray(app); }));

  DemoWindow demo;
  ASSERT_TRUE(Activate(demo.Window()));
  EXPECT_TRUE(HoldUntil(VK_F8, [&] { return IsTopmost(demo.Window()); }));
  Pause(300ms);
  ASSERT_TRUE(Activate(demo.Window()));
  EXPECT_TRUE(HoldUntil(VK_F8, [&] { return !IsTopmost(demo.Window()); }));
}

}  // namespace
}  // namespace e2e
