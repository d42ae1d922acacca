#include <gtest/gtest.h>

#include <string>

#include "Fakes.h"
#include "pinning/Feedback.h"
#include "tray/Tray.h"

namespace quellaro::test {
namespace {

const WindowHandle kEditor = HandleFromValue(0x2000);
const WindowHandle kInstaller = HandleFromValue(0x3000);
const WindowHandle kTaskbar = HandleFromValue(0x4000);
const std::string kBeep = "MessageBeep(48)";  // MB_ICONWARNING

// The main window's logic, started with the main window shown, and a press
// of F8 as the 200 ms timer sees it: down on one tick, up on the next.
class FlipFeedbackTest : public ::testing::Test, public Harness {
 protected:
  FlipFeedbackTest() {
    Start();
    platform.refusing.insert(kInstaller);
    platform.classNames[kTaskbar] = L"Shell_TrayWnd";
  }
  void Press(WindowHandle window, int ticksDown = 1) {
    platform.foreground = window;
    platform.keyStates[119] = kDown;
    for (int tick = 0; tick < ticksDown; ++tick) form.Timer1_Timer();
    platform.keyStates[119] = 0;
    form.Timer1_Timer();
  }
  void GoToTray() {
    form.cmdMini_Click();
    ASSERT_TRUE(form.TrayIconShown());
  }
};

TEST_F(FlipFeedbackTest, APressThatWorksOrMeetsTheShellIsSilent) {
  GoToTray();
  Press(kEditor);
  Press(kEditor);
  platform.exStyles[kTaskbar] = kWsExTopmost;
  Press(kTaskbar);
  EXPECT_EQ(platform.Count(kBeep), 0u);
  EXPECT_EQ(platform.Count("ShowTrayBalloon()"), 0u);
}

TEST_F(FlipFeedbackTest, FromTheTrayARefusedPressSoundsAndShowsOneBalloonPerWindow) {
  GoToTray();
  Press(kInstaller);
  EXPECT_EQ(platform.Count(kBeep), 1u);
  ASSERT_EQ(platform.balloons.size(), 1u);
  EXPECT_EQ(platform.balloons[0].icon.hWnd, kSelf);
  EXPECT_EQ(platform.balloons[0].icon.uID, kTrayIconId);
  EXPECT_EQ(platform.balloons[0].title, L"无法置顶");
  EXPECT_EQ(platform.balloons[0].text, L"这个窗口不接受置顶状态的更改。");

  Press(kInstaller);  // the same window again: the sound alone
  EXPECT_EQ(platform.Count(kBeep), 2u);
  EXPECT_EQ(platform.balloons.size(), 1u);

  // Another window has a balloon of its own, here for unpinning one that
  // a program run as administrator owns.
  platform.exStyles[kEditor] = kWsExTopmost;
  platform.setPosErrors[kEditor] = kErrorAccessDenied;
  Press(kEditor);
  EXPECT_EQ(platform.Count(kBeep), 3u);
  ASSERT_EQ(platform.balloons.size(), 2u);
  EXPECT_EQ(platform.balloons[1].title, L"无法取消置顶");
  EXPECT_EQ(platform.balloons[1].text, L"这个窗口属于以管理员身份运行的程序。请以管理员身份运行 Quellaro 后再按热键。");
}

TEST_F(FlipFeedbackTest, WithTheMainWindowShownARefusedPressOnlySounds) {
  platform.higherIntegrity.insert(kInstaller);
  Press(kInstaller);
  EXPECT_EQ(platform.Count(kBeep), 1u);
  EXPECT_EQ(platform.Count("ShowTrayBalloon()"), 0u);
  // No balloon was shown for it, so from the tray it still gets one.
  GoToTray();
  Press(kInstaller);
  ASSERT_EQ(platform.balloons.size(), 1u);
  EXPECT_EQ(platform.balloons[0].text, L"这个窗口属于以管理员身份运行的程序。请以管理员身份运行 Quellaro 后再按热键。");
}

TEST_F(FlipFeedbackTest, AKeyHeldOverSeveralTicksSoundsOncePerPress) {
  GoToTray();
  Press(kInstaller, 3);
  EXPECT_EQ(platform.Count("SetWindowPos(0x3000, -1, 0, 0, 0, 0, 3)"), 3u) << "each tick still tries";
  EXPECT_EQ(platform.Count(kBeep), 1u);
  Press(kInstaller, 2);
  EXPECT_EQ(platform.Count(kBeep), 2u);
  EXPECT_EQ(platform.balloons.size(), 1u);
}

TEST_F(FlipFeedbackTest, ABalloonTheShellDidNotTakeIsOfferedOnTheNextPress) {
  GoToTray();
  platform.balloonRefused = true;
  Press(kInstaller);
  platform.balloonRefused = false;
  Press(kInstaller);
  EXPECT_EQ(platform.Count("ShowTrayBalloon()"), 2u);
  EXPECT_EQ(platform.balloons.size(), 1u);
}

}  // namespace
}  // namespace quellaro::test
