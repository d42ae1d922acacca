// The About window, opened with the help button.
#include <gtest/gtest.h>

#include "Colour.h"
#include "Harness.h"
#include "about/AboutLayout.h"

namespace e2e {
namespace {

// Every test starts with Quellaro running and its About window open.
class About : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.Started());
    about = app.OpenAbout();
    ASSERT_TRUE(about);
  }

  AppFolder folder;
  Quellaro app{folder};
  HWND about = nullptr;
};

TEST_F(About, HelpOpensOneAboutWindowWithItsLayout) {
  ASSERT_TRUE(Activate(app.Main()));
  ClickCenter(app.Control(quellaro::kIdCommand1));
  Pause(300ms);
  EXPECT_EQ(TopLevelWindows(app.Proc().Id(), kAboutClass).size(), 1u) << "a second click shows the same window";

  const int dpi = ScreenDpi();
  using quellaro::TwipsToPixels;
  EXPECT_EQ(Text(about), L"关于Quellaro");
  RECT client{};
  ::GetClientRect(about, &client);
  EXPECT_EQ(client.right, TwipsToPixels(quellaro::kAboutClientWidth, dpi));
  EXPECT_EQ(client.bottom, TwipsToPixels(quellaro::kAboutClientHeight, dpi));
  const LONG style = ::GetWindowLongW(about, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_EQ(::GetWindow(about, GW_OWNER) == app.Main(), false) << "not owned by the main window";
  EXPECT_FALSE(::GetWindowLongW(about, GWL_EXSTYLE) & WS_EX_APPWINDOW) << "no taskbar button";

  for (const quellaro::AboutControlSpec& entry : quellaro::kAboutControls) {
    SCOPED_TRACE(entry.control.name);
    HWND control = ::GetDlgItem(about, entry.control.id);
    ASSERT_TRUE(control);
    if (entry.control.kind == quellaro::ControlKind::Label) {
      EXPECT_EQ(Text(control), entry.control.text);
    }
    const RECT rect = ChildRect(control);
    EXPECT_EQ(rect.left, TwipsToPixels(entry.control.left, dpi));
    EXPECT_EQ(rect.top, TwipsToPixels(entry.control.top, dpi));
  }
  RECT icon = ChildRect(::GetDlgItem(about, quellaro::kIdPicIcon));
  EXPECT_EQ(icon.right - icon.left, 32 * dpi / 96);

  // The picture is drawn at the top-left: not the plain dialog colour there.
  const RECT onScreen = ClientRectOnScreen(about);
  EXPECT_TRUE(ColourApart(ScreenPixel(POINT{onScreen.left + 75, onScreen.top + 75}), ::GetSysColor(COLOR_BTNFACE)));
  EXPECT_TRUE(ColourNear(ScreenPixel(POINT{onScreen.left + 170, onScreen.bottom - 4}), ::GetSysColor(COLOR_BTNFACE)));
}

TEST_F(About, EnterAndEscapeDoNothingAndItReopensAfterClosing) {
  ASSERT_TRUE(Activate(about));
  Tap(VK_RETURN);
  Tap(VK_ESCAPE);
  Pause(300ms);
  EXPECT_TRUE(::IsWindowVisible(about));

  ::PostMessageW(about, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(about); }));
  EXPECT_TRUE(app.Proc().Running());
  HWND again = app.OpenAbout();
  ASSERT_TRUE(again);
  EXPECT_EQ(Text(::GetDlgItem(again, quellaro::kIdLbHelp)), quellaro::kAboutHelp);

  // Something closes About's hidden owner, and About with it: help still opens it.
  HWND owner = ::GetWindow(again, GW_OWNER);
  ASSERT_TRUE(owner);
  ::PostMessageW(owner, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(again); }));
  HWND third = app.OpenAbout();
  ASSERT_TRUE(third);
  EXPECT_TRUE(::GetWindow(third, GW_OWNER)) << "owned, so without a taskbar button";
}

TEST_F(About, F8PinsTheAboutWindowLikeAnyOther) {
  ASSERT_TRUE(Activate(about));
  EXPECT_TRUE(HoldUntil(VK_F8, [&] { return IsTopmost(about); }));
}

TEST_F(About, ClosingTheMainWindowFirstSavesAndTheProcessLivesUntilAboutCloses) {
  app.Close();
  EXPECT_TRUE(WaitUntil([&] { return folder.ReadConfig() == std::string(" 119 \r\n 0 \r\n"); }));
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(app.Main()); }));
  EXPECT_FALSE(app.ExitsWithin(500ms));
  EXPECT_TRUE(::IsWindowVisible(about));
  Process start = Process::Start(folder.Exe());  // no longer Quellaro, so a start runs
  const HWND main = FindTopLevel(start.Id(), quellaro::kMainWindowClass);
  EXPECT_TRUE(main) << "the start left, and no Quellaro runs once About closes";
  ::PostMessageW(main, WM_CLOSE, 0, 0);

  ::PostMessageW(about, WM_CLOSE, 0, 0);
  EXPECT_TRUE(app.ExitsWithin());
}

// An installer replacing Quellaro.exe asks through the Restart Manager, which
// sends the end-session messages with ENDSESSION_CLOSEAPP: Quellaro saves
// and ends, About window and all.
TEST_F(About, TheRestartManagerEndsQuellaroWithItsSettingsSaved) {
  DWORD_PTR agreed = 0;
  ::SendMessageTimeoutW(app.Main(), WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, &agreed);
  EXPECT_TRUE(agreed);
  ::SendMessageTimeoutW(app.Main(), WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, nullptr);
  EXPECT_TRUE(app.ExitsWithin());
  EXPECT_EQ(folder.ReadConfig(), std::string(" 119 \r\n 0 \r\n"));
}

}  // namespace
}  // namespace e2e
