// F8 on a window that keeps its Z order: the balloon from the tray icon.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Harness.h"
// After <windows.h>, which Harness.h brings.
#include <commctrl.h>

#include "app/Layout.h"

namespace e2e {
namespace {

// The notification area's balloons. Wine's tray shows each as a tooltip
// window with the TTS_BALLOON style, in the process of its taskbar.
std::vector<HWND> Balloons() {
  DWORD shell = 0;
  ::GetWindowThreadProcessId(::FindWindowW(L"Shell_TrayWnd", nullptr), &shell);
  std::vector<HWND> balloons;
  for (HWND window : TopLevelWindows(shell, TOOLTIPS_CLASSW)) {
    if ((::GetWindowLongW(window, GWL_STYLE) & TTS_BALLOON) && ::IsWindowVisible(window)) balloons.push_back(window);
  }
  return balloons;
}

// A balloon's title. TTM_GETTITLE fills a record in the tooltip's own
// process, so the record is made there.
std::wstring BalloonTitle(HWND balloon) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(balloon, &owner);
  HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, owner);
  if (!process) return L"(the tray's process cannot be opened)";
  constexpr int kRoom = 100;
  auto* remote = static_cast<unsigned char*>(
      ::VirtualAllocEx(process, nullptr, sizeof(TTGETTITLE) + kRoom * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
  std::wstring title(kRoom, L'\0');
  if (remote) {
    TTGETTITLE request{sizeof(request), 0, kRoom, reinterpret_cast<WCHAR*>(remote + sizeof(TTGETTITLE))};
    ::WriteProcessMemory(process, remote, &request, sizeof(request), nullptr);
    ::SendMessageTimeoutW(balloon, TTM_GETTITLE, 0, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 2000, nullptr);
    ::ReadProcessMemory(process, request.pszTitle, title.data(), kRoom * sizeof(wchar_t), nullptr);
    ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  ::CloseHandle(process);
  title.resize(title.find(L'\0'));
  return title;
}

// A press as a person gives it: down for a tick or two, then up.
void PressF8() {
  KeyDown(VK_F8);
  Pause(300ms);
  KeyUp(VK_F8);
  Pause(100ms);
}

TEST(Tray, F8ThatCannotPinAWindowSaysSoInOneBalloonForThatWindow) {
  if (!UnderWine()) GTEST_SKIP() << "Windows shows tray balloons as notifications, which no window of the shell shows";
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ClickCenter(app.Control(quellaro::kIdCmdMini));
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(app.Main()) && TrayIconShown(app.Main()); }));
  ASSERT_TRUE(Balloons().empty()) << "a balloon is showing before the test";

  // A press that works says nothing. Wine shows a balloon about 2 s after
  // it is asked for.
  DemoWindow plain;
  ASSERT_TRUE(Activate(plain.Window()));
  EXPECT_TRUE(HoldUntil(VK_F8, [&] { return IsTopmost(plain.Window()); }));
  Pause(3000ms);
  EXPECT_TRUE(Balloons().empty()) << "a press that pinned its window showed a balloon";

  DemoWindow refusing(/*refusing=*/true);
  ASSERT_TRUE(refusing.Started());
  PressF8();
  EXPECT_FALSE(IsTopmost(refusing.Window())) << "the refusing demo window was pinned after all";
  std::vector<HWND> shown;
  ASSERT_TRUE(WaitUntil([&] { return !(shown = Balloons()).empty(); }, 6000ms))
      << "no balloon (a tooltip window with TTS_BALLOON in the tray's process) within 6 s of the refused press";
  ASSERT_EQ(shown.size(), 1u);
  const HWND balloon = shown.front();
  EXPECT_EQ(BalloonTitle(balloon), L"无法置顶");
  EXPECT_EQ(Text(balloon), L"这个窗口不接受置顶状态的更改。") << Utf8(Text(balloon));
  EXPECT_TRUE(InFront(refusing.Window())) << "the balloon took the foreground";

  // The same window again: the sound alone. A new balloon would replace the
  // one that is showing (Wine shows each for 10 s at least).
  PressF8();
  Pause(3000ms);
  EXPECT_EQ(Balloons(), std::vector<HWND>{balloon}) << "a second refused press on the same window showed a balloon";
}

}  // namespace
}  // namespace e2e
