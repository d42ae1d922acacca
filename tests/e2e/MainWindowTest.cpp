// The main window, the settings file and pinning, against the real exe.
#include <gtest/gtest.h>

#include "Harness.h"
#include "app/Layout.h"

namespace e2e {
namespace {

using quellaro::ControlSpec;
using quellaro::TwipsToPixels;

constexpr char kDefaultFile[] = " 119 \r\n 0 \r\n";

TEST(Pinning, F8PinsAnotherProcessWindowAndF8AgainUnpinsIt) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Main());
  DemoWindow demo;
  ASSERT_TRUE(demo.Window());
  Activate(demo.Window());
  ASSERT_EQ(::GetForegroundWindow(), demo.Window());
  RECT before{};
  ::GetWindowRect(demo.Window(), &before);

  ASSERT_FALSE(IsTopmost(demo.Window()));
  ASSERT_TRUE(HoldUntil(VK_F8, [&] { return IsTopmost(demo.Window()); }));
  Pause(450ms);  // two more ticks with the key up: still pinned
  EXPECT_TRUE(IsTopmost(demo.Window()));
  RECT pinned{};
  ::GetWindowRect(demo.Window(), &pinned);
  EXPECT_TRUE(::EqualRect(&before, &pinned)) << "pinning must not move or resize the window";

  Activate(demo.Window());
  ASSERT_TRUE(HoldUntil(VK_F8, [&] { return !IsTopmost(demo.Window()); }));
  Pause(450ms);
  EXPECT_FALSE(IsTopmost(demo.Window()));
  RECT unpinned{};
  ::GetWindowRect(demo.Window(), &unpinned);
  EXPECT_TRUE(::EqualRect(&before, &unpinned));
}

TEST(Pinning, F8WithQuellaroInFrontChangesNothing) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Main());
  DemoWindow demo;
  Activate(app.Main());
  ASSERT_EQ(::GetForegroundWindow(), app.Main());

  KeyDown(VK_F8);
  Pause(700ms);  // three ticks or more with the key down
  KeyUp(VK_F8);
  EXPECT_FALSE(IsTopmost(app.Main()));
  EXPECT_FALSE(IsTopmost(demo.Window()));
}

TEST(Settings, ExitWithoutConfigWritesTheDefaultsInTheOwnFormat) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Main());
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
  ASSERT_TRUE(app.Main());
  EXPECT_EQ(folder.ReadConfig(), std::string(" 112 \r\n 1 \r\n"));
  EXPECT_FALSE(::IsWindowVisible(app.Main()));
  EXPECT_TRUE(::IsIconic(app.Main()));
  EXPECT_TRUE(WaitUntil(TrayIconShown));
  EXPECT_EQ(Text(app.Control(quellaro::kIdText1)), L"F1");
  EXPECT_EQ(::SendMessageW(app.Control(quellaro::kIdCbAuto), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST(Settings, ClickingTheCheckBoxWritesTheFile) {
  AppFolder folder;
  folder.WriteConfig(" 65 \r\n 0 \r\n");
  Quellaro app(folder);
  ASSERT_TRUE(app.Main());
  EXPECT_EQ(Text(app.Control(quellaro::kIdText1)), L"A");

  ClickCenter(app.Control(quellaro::kIdCbAuto));
  EXPECT_TRUE(WaitUntil([&] { return folder.ReadConfig() == std::string(" 65 \r\n 1 \r\n"); }));
  ClickCenter(app.Control(quellaro::kIdCbAuto));
  EXPECT_TRUE(WaitUntil([&] { return folder.ReadConfig() == std::string(" 65 \r\n 0 \r\n"); }));
}

TEST(Settings, AFailedSaveIsReportedAndQuellaroKeepsRunning) {
  AppFolder folder;
  ASSERT_TRUE(::CreateDirectoryW(folder.Config().c_str(), nullptr));  // a folder where the file should be
  Quellaro app(folder);
  ASSERT_TRUE(app.Main());

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
  ASSERT_TRUE(first.Main());

  Process second = Process::Start(folder.Exe());
  EXPECT_EQ(second.WaitExit(5000ms), std::optional<DWORD>(0));
  EXPECT_TRUE(first.Proc().Running());
  EXPECT_TRUE(::IsWindowVisible(first.Main()));
  EXPECT_FALSE(folder.ReadConfig()) << "the refused instance must not write config.ini";
}

TEST(MainWindow, ControlsHaveTheirTextsPositionsAndFonts) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Main());
  const int dpi = ScreenDpi();

  EXPECT_EQ(Text(app.Main()), L"Quellaro");
  RECT client{};
  ::GetClientRect(app.Main(), &client);
  EXPECT_EQ(client.right, TwipsToPixels(quellaro::kMainClientWidth, dpi));
  EXPECT_EQ(client.bottom, TwipsToPixels(quellaro::kMainClientHeight, dpi));
  const LONG style = ::GetWindowLongW(app.Main(), GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);

  // Light blue behind everything, the credit line's box included.
  const RECT onScreen = ClientRectOnScreen(app.Main());
  EXPECT_EQ(ScreenPixel(POINT{onScreen.right - 8, onScreen.top + 45}), RGB(192, 192, 255));
  EXPECT_EQ(ScreenPixel(POINT{onScreen.right - 8, onScreen.bottom - 3}), RGB(192, 192, 255));

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

TEST(MainWindow, EnterAndEscapeDoNothing) {
  AppFolder folder;
  Quellaro app(folder);
  ASSERT_TRUE(app.Main());
  Activate(app.Main());
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
