// The main window, the settings file and pinning, against the real exe.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "Colour.h"
#include "Harness.h"
#include "TestRun.h"
#include "about/AboutLayout.h"
#include "app/Layout.h"

namespace e2e {
namespace {

using quellaro::ControlSpec;
using quellaro::TwipsToPixels;

constexpr char kDefaultFile[] = " 119 \r\n 0 \r\n";
constexpr wchar_t kInstanceMutexName[] = L"Local\\Quellaro.SingleInstance";

TEST(Pinning, F8PinsAnotherProcessWindowAndF8AgainUnpinsIt) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  DemoWindow demo;
  ASSERT_TRUE(demo.Started());
  ASSERT_TRUE(Activate(demo.Window()));
  RECT before{};
  ::GetWindowRect(demo.Window(), &before);

  ASSERT_FALSE(IsTopmost(demo.Window()));
  ASSERT_TRUE(HoldUntil(VK_F8, [&] { return IsTopmost(demo.Window()); }));
  Pause(450ms);  // two more ticks with the key up: still pinned
  EXPECT_TRUE(IsTopmost(demo.Window()));
  RECT pinned{};
  ::GetWindowRect(demo.Window(), &pinned);
  EXPECT_TRUE(::EqualRect(&before, &pinned)) << "pinning must not move or resize the window";

  ASSERT_TRUE(Activate(demo.Window()));
  ASSERT_TRUE(HoldUntil(VK_F8, [&] { return !IsTopmost(demo.Window()); }));
  Pause(450ms);
  EXPECT_FALSE(IsTopmost(demo.Window()));
  RECT unpinned{};
  ::GetWindowRect(demo.Window(), &unpinned);
  EXPECT_TRUE(::EqualRect(&before, &unpinned));
}

// Puts a window in the topmost band for as long as this lives, then back in
// or out of it as it was.
class TopmostForNow {
 public:
  explicit TopmostForNow(HWND window) : window_(window), was_(IsTopmost(window)) { Place(HWND_TOPMOST); }
  ~TopmostForNow() { Place(was_ ? HWND_TOPMOST : HWND_NOTOPMOST); }
  TopmostForNow(const TopmostForNow&) = delete;
  TopmostForNow& operator=(const TopmostForNow&) = delete;

 private:
  void Place(HWND after) const { ::SetWindowPos(window_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); }
  HWND window_;
  bool was_;
};

TEST(Pinning, F8WithQuellaroOrTheTaskbarInFrontChangesNothing) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  DemoWindow demo;
  ASSERT_TRUE(Activate(app.Main()));

  KeyDown(VK_F8);
  Pause(700ms);  // three ticks or more with the key down
  KeyUp(VK_F8);
  EXPECT_FALSE(IsTopmost(app.Main()));
  EXPECT_FALSE(IsTopmost(demo.Window()));

  // The taskbar in front, topmost as Windows keeps it (Wine's virtual desktop
  // has one too): unpinning it would send it below every window.
  HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
  ASSERT_TRUE(taskbar);
  {
    const TopmostForNow topmost(taskbar);
    ASSERT_TRUE(IsTopmost(taskbar));
    ASSERT_TRUE(BringToFront(taskbar));
    const auto unpinned = [&] { return !IsTopmost(taskbar); };
    EXPECT_FALSE(HoldUntil(VK_F8, unpinned, 1000ms)) << "five ticks with the key down";
    EXPECT_TRUE(IsTopmost(taskbar));
  }

  ASSERT_TRUE(Activate(demo.Window()));
  EXPECT_TRUE(HoldUntil(VK_F8, [&] { return IsTopmost(demo.Window()); })) << "other windows are still pinned";
}

// A program asleep when F8 comes, and one that answers Quellaro's sign of
// life and starts a long job right after it: neither holds up the next press
// on another window. Each is brought to the front with a click (brought
// there by the driver alone, a window may not be the one Quellaro sees).
TEST(Pinning, AWindowThatDoesNotAnswerHoldsUpNoOther) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  DemoWindow plain;
  for (const DemoKind kind : {DemoKind::Sleeping, DemoKind::BusyAfterAnswering}) {
    DemoWindow stuck(kind);
    ASSERT_TRUE(stuck.Started());
    const auto stuckNow = [&] {
      DWORD_PTR length = 0;
      return !::SendMessageTimeoutW(stuck.Window(), WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 50, &length);
    };
    ASSERT_TRUE(Activate(stuck.Window()));
    // The sleeper stops answering at once; the other once Quellaro asked it.
    ASSERT_TRUE(HoldUntil(VK_F8, stuckNow, 3000ms)) << "the window never stopped answering";
    KeyDown(VK_F8);  // a few ticks meet it not answering
    Pause(700ms);
    KeyUp(VK_F8);
    ASSERT_TRUE(Activate(plain.Window()));
    const bool pinned = IsTopmost(plain.Window());
    EXPECT_TRUE(HoldUntil(
        VK_F8, [&] { return IsTopmost(plain.Window()) != pinned; }, 1500ms))
        << "not flipped within 1.5 s: Quellaro waits for the window that does not answer";
    EXPECT_TRUE(stuckNow()) << "the window answers already: the check proves nothing";
  }
}

// A game, a slide show, a film: full screen, F8 is theirs.
TEST(Pinning, F8LeavesFullScreenProgramsAloneAndStillPinsOtherWindows) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  for (DemoKind kind : {DemoKind::FullScreenTopmost, DemoKind::FullScreen}) {
    DemoWindow program(kind);
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(Activate(program.Window()));
    const bool topmost = kind == DemoKind::FullScreenTopmost;
    ASSERT_EQ(IsTopmost(program.Window()), topmost);
    EXPECT_FALSE(HoldUntil(
        VK_F8, [&] { return IsTopmost(program.Window()) != topmost; }, 1000ms))
        << (topmost ? "a topmost full-screen window was unpinned" : "a full-screen window was pinned");
    EXPECT_TRUE(InFront(program.Window(), 500ms));
  }
  DemoWindow plain;
  ASSERT_TRUE(Activate(plain.Window()));
  EXPECT_TRUE(HoldUntil(VK_F8, [&] { return IsTopmost(plain.Window()); })) << "an ordinary window is still pinned";
}

TEST(Settings, ExitWithoutConfigWritesTheDefaultsInTheOwnFormat) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  EXPECT_EQ(Text(app.Control(quellaro::kIdText1)), L"F8");
  EXPECT_FALSE(folder.ReadConfig()) << "loading must not create config.ini";

  app.Close();
  ASSERT_TRUE(app.ExitsWithin());
  EXPECT_EQ(folder.ReadConfig(), std::string(kDefaultFile));
}

TEST(Settings, StartInTrayHidesTheWindowAndRewritesTheFile) {
  AppFolder folder;
  folder.WriteConfig("112\r\n1\r\n");
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  EXPECT_EQ(folder.ReadConfig(), std::string(" 112 \r\n 1 \r\n"));
  EXPECT_FALSE(::IsWindowVisible(app.Main()));
  EXPECT_TRUE(::IsIconic(app.Main()));
  EXPECT_TRUE(Eventually([&] { return TrayIconShown(app.Main()); }));
  EXPECT_EQ(Text(app.Control(quellaro::kIdText1)), L"F1");
  EXPECT_EQ(::SendMessageW(app.Control(quellaro::kIdCbAuto), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST(Settings, ClickingTheCheckBoxWritesTheFile) {
  AppFolder folder;
  folder.WriteConfig(" 65 \r\n 0 \r\n");
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  EXPECT_EQ(Text(app.Control(quellaro::kIdText1)), L"A");

  ClickCenter(app.Control(quellaro::kIdCbAuto));
  EXPECT_TRUE(WaitUntil([&] { return folder.ReadConfig() == std::string(" 65 \r\n 1 \r\n"); }));

  // A virus scanner or sync client holds the file, without FILE_SHARE_DELETE,
  // for about 100 ms while the next click saves: the file is replaced once it
  // is let go, and nothing is reported.
  HANDLE held = ::CreateFileW(folder.Config().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ClickCenter(app.Control(quellaro::kIdCbAuto));
  Pause(50ms);
  ::CloseHandle(held);
  EXPECT_TRUE(WaitUntil([&] { return folder.ReadConfig() == std::string(" 65 \r\n 0 \r\n"); }));
  EXPECT_FALSE(FindTopLevel(app.Proc().Id(), L"#32770", 500ms)) << "no message that the file was not saved";
}

TEST(Settings, AFailedSaveIsReportedAndQuellaroKeepsRunning) {
  AppFolder folder;
  ASSERT_TRUE(::CreateDirectoryW(folder.Config().c_str(), nullptr));  // a folder where the file should be
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());

  ClickCenter(app.Control(quellaro::kIdCbAuto));
  HWND box = FindTopLevel(app.Proc().Id(), L"#32770");
  ASSERT_TRUE(box) << "a message box must say that the settings were not saved";
  EXPECT_EQ(Text(box), L"Quellaro");
  Tap(VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(box); }));
  EXPECT_TRUE(app.Proc().Running());
  app.Close();
  EXPECT_TRUE(app.ExitsWithin()) << "a failed save at exit stays silent";
}

TEST(SingleInstance, ASecondStartLeavesAtOnceAndTouchesNothing) {
  AppFolder folder;
  Quellaro first(folder);
  ASSERT_TRUE(first.Started());

  Process second = Process::Start(folder.Exe());
  EXPECT_EQ(second.WaitExit(5000ms), std::optional<DWORD>(0));
  EXPECT_TRUE(first.Proc().Running());
  EXPECT_TRUE(::IsWindowVisible(first.Main()));
  EXPECT_FALSE(folder.ReadConfig()) << "the refused instance must not write config.ini";
}

// A copy running as administrator holds the instance mutex where this user
// may not open it; an empty access list denies it in the same way.
TEST(SingleInstance, AMutexThisUserMayNotOpenMeansQuellaroIsRunning) {
  AppFolder folder;
  folder.WriteConfig(" 116 \r\n 1 \r\n");
  SECURITY_DESCRIPTOR descriptor{};
  ACL emptyAcl{};
  ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(::InitializeAcl(&emptyAcl, sizeof(emptyAcl), ACL_REVISION));
  ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, &emptyAcl, FALSE));
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), &descriptor, FALSE};
  const std::unique_ptr<void, decltype(&::CloseHandle)> mutex(::CreateMutexW(&attributes, FALSE, kInstanceMutexName),
                                                              &::CloseHandle);
  ASSERT_TRUE(mutex);
  ASSERT_FALSE(::CreateMutexW(nullptr, FALSE, kInstanceMutexName)) << "the mutex must be closed to this user";
  ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  Process second = Process::Start(folder.Exe());
  EXPECT_EQ(second.WaitExit(5000ms), std::optional<DWORD>(0));
  EXPECT_EQ(folder.ReadConfig(), std::string(" 116 \r\n 1 \r\n"));
}

TEST(MainWindow, ControlsHaveTheirTextsPositionsAndFonts) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  const int dpi = ScreenDpi();

  EXPECT_EQ(Text(app.Main()), L"Quellaro");
  RECT client{};
  ::GetClientRect(app.Main(), &client);
  EXPECT_EQ(client.right, TwipsToPixels(quellaro::kMainClientWidth, dpi));
  EXPECT_EQ(client.bottom, TwipsToPixels(quellaro::kMainClientHeight, dpi));
  const RECT onScreen = ClientRectOnScreen(app.Main());
  EXPECT_EQ(onScreen.left, TwipsToPixels(quellaro::kMainClientLeft, dpi)) << "where it fits, at its fixed place";
  EXPECT_EQ(onScreen.top, TwipsToPixels(quellaro::kMainClientTop, dpi));
  const LONG style = ::GetWindowLongW(app.Main(), GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);

  // Light blue behind everything, the credit line's box included.
  EXPECT_TRUE(ColourNear(ScreenPixel(POINT{onScreen.right - 8, onScreen.top + 45}), RGB(192, 192, 255)));
  EXPECT_TRUE(ColourNear(ScreenPixel(POINT{onScreen.right - 8, onScreen.bottom - 3}), RGB(192, 192, 255)));

  HWND previous = nullptr;
  for (const ControlSpec& entry : quellaro::kMainControls) {
    SCOPED_TRACE(entry.name);
    HWND control = app.Control(entry.id);
    ASSERT_TRUE(control);
    const std::wstring expected = entry.id == quellaro::kIdText1 ? L"F8" : entry.text;
    EXPECT_EQ(Text(control), expected);
    const RECT rect = ChildRect(control);
    EXPECT_EQ(rect.left, TwipsToPixels(entry.left, dpi));
    EXPECT_EQ(rect.top, TwipsToPixels(entry.top, dpi));
    EXPECT_EQ(rect.right - rect.left, TwipsToPixels(entry.width, dpi));
    EXPECT_EQ(rect.bottom - rect.top, TwipsToPixels(entry.height, dpi));
    if (previous) {
      EXPECT_EQ(::GetWindow(previous, GW_HWNDNEXT), control) << "tab order";
    }
    previous = control;
  }
  EXPECT_FALSE(::IsWindowEnabled(app.Control(quellaro::kIdText1)));
}

TEST(MainWindow, NeitherAMaximisedStartNorAMaximiseRequestChangesItsSize) {
  AppFolder folder;
  Quellaro app(folder, SW_SHOWMAXIMIZED);  // as a shortcut set to "Run: Maximized" starts it
  ASSERT_TRUE(app.Started());
  EXPECT_FALSE(::IsZoomed(app.Main()));
  const RECT expected = ClientRectOnScreen(app.Main());
  EXPECT_EQ(expected.right - expected.left, TwipsToPixels(quellaro::kMainClientWidth, ScreenDpi()));

  ::ShowWindow(app.Main(), SW_MAXIMIZE);
  Pause(300ms);
  EXPECT_FALSE(::IsZoomed(app.Main()));
  const RECT after = ClientRectOnScreen(app.Main());
  EXPECT_TRUE(::EqualRect(&expected, &after)) << "back to its own size and place";
}

// Wine reads the DPI from the registry as each process starts, so one test
// can show Quellaro at 144 DPI on the 1024 x 768 test screen, where its fixed
// place would push the main window partly off the right edge. On a system set
// to 144 DPI every program runs at it, this driver too: the test runs in a
// driver of its own started at 144 DPI. (Wine 10 answers WindowFromPoint with
// the desktop over every window of a process at another DPI than the caller.)
TEST(Placement, AtHighDpiOnASmallScreenBothWindowsOpenOnIt) {
  if (!UnderWine()) GTEST_SKIP() << "a Windows session's DPI changes only at sign-in";
  if (ScreenDpi() != 144) {
    EXPECT_TRUE(RunThisTestAgainAtDpi(144));
    return;
  }
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const auto inside = [&](const RECT& rect) {
    return rect.left >= work.left && rect.top >= work.top && rect.right <= work.right && rect.bottom <= work.bottom;
  };

  RECT main{};
  ::GetWindowRect(app.Main(), &main);
  const RECT client = ClientRectOnScreen(app.Main());
  ASSERT_EQ(client.right - client.left, TwipsToPixels(quellaro::kMainClientWidth, 144)) << "not at 144 DPI";
  EXPECT_TRUE(inside(main)) << main.left << "," << main.top << "-" << main.right << "," << main.bottom;
  EXPECT_EQ(main.right, work.right) << "moved in just enough";
  EXPECT_EQ(client.top, TwipsToPixels(quellaro::kMainClientTop, 144)) << "it fits from top to bottom: not moved";

  HWND about = app.OpenAbout();
  ASSERT_TRUE(about);
  RECT box{};
  ::GetWindowRect(about, &box);
  EXPECT_TRUE(inside(box));
  EXPECT_LE(std::abs((box.left + box.right) - (work.left + work.right)), 1) << "centred";
  EXPECT_LE(std::abs((box.top + box.bottom) - (work.top + work.bottom)), 1);
}

constexpr UINT kBcmGetIdealSize = 0x1601;  // BCM_GETIDEALSIZE, from <commctrl.h>

// An icon's width in pixels; 0 where the system does not say (Wine lets no
// process read another's icons).
int IconWidth(HICON icon) {
  ICONINFO info{};
  if (!icon || !::GetIconInfo(icon, &info)) return 0;
  BITMAP mask{};
  ::GetObjectW(info.hbmMask, sizeof(mask), &mask);
  ::DeleteObject(info.hbmMask);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  return mask.bmWidth;
}

// Moved to a monitor of another scale, a window is asked its size there, then
// told the new DPI and the rectangle to take. Neither Wine sends these, so the
// test sends them as Windows does: 96 -> 144 -> 120 -> 96 DPI.
TEST(MainWindow, BothWindowsLayThemselvesOutAgainAtEachDpiAndKeepFocusAndZOrder) {
  using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  const auto adjust = reinterpret_cast<AdjustForDpi>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
  ASSERT_TRUE(adjust);
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  HWND about = app.OpenAbout();
  ASSERT_TRUE(about);
  ASSERT_TRUE(InFront(about));
  // Wine carries these messages' pointers from one process to another as
  // they are, Windows may copy what they point to: the values stand at the
  // same address in both processes, and come back from whichever the window
  // wrote.
  HANDLE process = app.Proc().Handle();
  void* block = nullptr;
  for (std::uintptr_t at = 0x30000000; !block && at < 0x70000000; at += 0x1000000) {
    void* mine = ::VirtualAlloc(reinterpret_cast<void*>(at), 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (mine && ::VirtualAllocEx(process, mine, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE) == mine) block = mine;
    if (mine && !block) ::VirtualFree(mine, 0, MEM_RELEASE);
  }
  ASSERT_TRUE(block) << "no address free in both processes";
  const auto send = [&](HWND window, UINT message, WPARAM wParam, auto value, LRESULT* result = nullptr) {
    auto theirs = value;
    std::memcpy(block, &value, sizeof(value));
    ::WriteProcessMemory(process, block, &value, sizeof(value), nullptr);
    const LRESULT answer = ::SendMessageW(window, message, wParam, reinterpret_cast<LPARAM>(block));
    if (result) *result = answer;
    ::ReadProcessMemory(process, block, &theirs, sizeof(theirs), nullptr);
    if (std::memcmp(&theirs, &value, sizeof(value)) == 0) std::memcpy(&theirs, block, sizeof(value));
    return theirs;
  };

  const auto follows = [&](HWND window, int width, int height, const std::vector<ControlSpec>& controls) {
    HWND front = ::GetForegroundWindow();
    HWND above = ::GetWindow(window, GW_HWNDPREV);
    HWND button = ::GetDlgItem(window, quellaro::kIdCmdSetKey);
    const auto idealWidth = [&] { return send(button, kBcmGetIdealSize, 0, SIZE{}).cx; };
    int lastIdeal = button ? idealWidth() : 0;
    int lastDpi = ScreenDpi();
    HWND picture = ::GetDlgItem(window, quellaro::kIdPicIcon);
    const auto iconsNow = [&] {
      return std::array<HICON, 3>{reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_BIG, 0)),
                                  reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_SMALL, 0)),
                                  reinterpret_cast<HICON>(::SendMessageW(picture, STM_GETICON, 0, 0))};
    };
    std::array<HICON, 3> lastIcons = iconsNow();
    for (const int dpi : {144, 120, 96}) {
      SCOPED_TRACE(testing::Message() << Describe(window) << " at " << dpi << " DPI");
      RECT before{};
      ::GetWindowRect(window, &before);
      RECT exact{0, 0, TwipsToPixels(width, dpi), TwipsToPixels(height, dpi)};
      adjust(&exact, ::GetWindowLongW(window, GWL_STYLE), FALSE, ::GetWindowLongW(window, GWL_EXSTYLE), dpi);
      LRESULT answered = FALSE;
      const SIZE size = send(window, WM_GETDPISCALEDSIZE, dpi, SIZE{}, &answered);
      EXPECT_TRUE(answered);
      EXPECT_EQ(size.cx, exact.right - exact.left) << "its exact size there";
      EXPECT_EQ(size.cy, exact.bottom - exact.top);
      send(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
           RECT{before.left, before.top, before.left + size.cx, before.top + size.cy});

      RECT after{};
      ::GetWindowRect(window, &after);
      EXPECT_EQ(after.left, before.left) << "at the suggested place";
      EXPECT_EQ(after.top, before.top);
      // Its frame follows the DPI only when Windows itself moves it there.
      if (dpi == ScreenDpi()) {
        EXPECT_EQ(after.right - after.left, size.cx);
      }
      RECT client{};
      ::GetClientRect(window, &client);
      EXPECT_NEAR(client.right, TwipsToPixels(width, dpi), 1);
      EXPECT_NEAR(client.bottom, TwipsToPixels(height, dpi), 1);
      for (const ControlSpec& entry : controls) {
        const RECT rect = ChildRect(::GetDlgItem(window, entry.id));
        EXPECT_NEAR(rect.left, TwipsToPixels(entry.left, dpi), 1) << entry.name;
        EXPECT_NEAR(rect.top, TwipsToPixels(entry.top, dpi), 1) << entry.name;
        EXPECT_NEAR(rect.right - rect.left, TwipsToPixels(entry.width, dpi), 1) << entry.name;
        EXPECT_NEAR(rect.bottom - rect.top, TwipsToPixels(entry.height, dpi), 1) << entry.name;
      }
      if (button) {
        const int ideal = idealWidth();
        EXPECT_EQ(ideal > lastIdeal, dpi > lastDpi) << "the font follows: " << lastIdeal << " then " << ideal;
        lastIdeal = ideal;
        lastDpi = dpi;
      }
      const std::array<HICON, 3> icons = iconsNow();
      const int sides[] = {32, 16, picture ? 32 : 0};
      for (std::size_t i = 0; i < std::size(icons); ++i) {
        // Wine answers WM_GETICON from another process with null.
        if (sides[i] == 0 || (i < 2 && !icons[i] && UnderWine())) continue;
        EXPECT_TRUE(icons[i] && icons[i] != lastIcons[i]) << "icon " << i << " made again";
        if (IconWidth(icons[i]) != 0 || !UnderWine()) {
          EXPECT_EQ(IconWidth(icons[i]), sides[i] * dpi / 96) << i;
        }
        lastIcons[i] = icons[i];
      }
      EXPECT_EQ(::GetForegroundWindow(), front) << "the focus stays where it is";
      EXPECT_EQ(::GetWindow(window, GW_HWNDPREV), above) << "so does the Z order";
    }
  };
  follows(app.Main(), quellaro::kMainClientWidth, quellaro::kMainClientHeight,
          std::vector<ControlSpec>(std::begin(quellaro::kMainControls), std::end(quellaro::kMainControls)));
  std::vector<ControlSpec> aboutControls;
  for (const quellaro::AboutControlSpec& entry : quellaro::kAboutControls) aboutControls.push_back(entry.control);
  ASSERT_TRUE(Activate(app.Main()));
  follows(about, quellaro::kAboutClientWidth, quellaro::kAboutClientHeight, aboutControls);

  // In the tray (the scale changed in Settings, say), it comes back at its size at the new DPI.
  ClickCenter(app.Control(quellaro::kIdCmdMini));
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(app.Main()); }));
  const SIZE size = send(app.Main(), WM_GETDPISCALEDSIZE, 144, SIZE{});
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  ::GetWindowPlacement(app.Main(), &placement);
  const POINT corner{placement.rcNormalPosition.left, placement.rcNormalPosition.top};
  send(app.Main(), WM_DPICHANGED, MAKEWPARAM(144, 144),
       RECT{corner.x, corner.y, corner.x + size.cx, corner.y + size.cy});
  ASSERT_TRUE(ClickTrayIcon(app.Main()));
  ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(app.Main()) && !::IsIconic(app.Main()); }));
  RECT client{};
  ::GetClientRect(app.Main(), &client);
  EXPECT_NEAR(client.right, TwipsToPixels(quellaro::kMainClientWidth, 144), 1) << "back at the old DPI's size";
  EXPECT_NEAR(client.bottom, TwipsToPixels(quellaro::kMainClientHeight, 144), 1);
}

TEST(MainWindow, EnterAndEscapeDoNothing) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Started());
  ASSERT_TRUE(Activate(app.Main()));
  Tap(VK_RETURN);
  Tap(VK_ESCAPE);
  Pause(300ms);
  EXPECT_TRUE(::IsWindowVisible(app.Main()));
  EXPECT_EQ(Text(app.Control(quellaro::kIdCmdSetKey)), quellaro::kCaptionSetKey);
  EXPECT_FALSE(folder.ReadConfig()) << "no button was pressed, nothing was saved: " << folder.ReadConfig().value_or("")
                                    << " Text1 " << Utf8(Text(app.Control(quellaro::kIdText1)));
}

}  // namespace
}  // namespace e2e
