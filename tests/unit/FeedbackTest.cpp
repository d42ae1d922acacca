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
    for (unsigned tick = 0; tick < kPendingTicks; ++tick) form.Timer1_Timer();  // a refusal shows by then
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
  EXPECT_EQ(platform.balloons[0].flags, 0x12u) << "NIIF_WARNING | NIIF_NOSOUND: the beep is the one sound";

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
  EXPECT_EQ(platform.balloons[1].text,
            L"这个窗口属于以管理员身份运行的程序。点击这里，以管理员身份重新启动 Quellaro。");

  // A window of the system or of another account: no restart could help.
  const WindowHandle service = HandleFromValue(0x5000);
  platform.owners[service] = WindowOwner::Stranger;
  platform.refusing.insert(service);
  Press(service);
  ASSERT_EQ(platform.balloons.size(), 3u);
  EXPECT_EQ(platform.balloons[2].text, L"这个窗口属于系统或其他用户的程序，Quellaro 无法更改它。");
}

TEST_F(FlipFeedbackTest, OnlyAClickOnTheBalloonThatOffersItRestartsQuellaroAsAdministrator) {
  GoToTray();
  platform.owners[kEditor] = WindowOwner::Administrator;
  platform.refusing.insert(kEditor);
  Press(kInstaller);
  form.Form_MouseMove(kTrayIconId, kNinBalloonUserClick);  // on a balloon that offers nothing
  EXPECT_EQ(platform.Count("RunAsAdministrator()"), 0u);
  Press(kEditor);
  form.Form_MouseMove(kTrayIconId, kNinBalloonUserClick);
  form.Form_MouseMove(kTrayIconId, kNinBalloonUserClick);  // no balloon is left to click
  EXPECT_EQ(platform.Count("RunAsAdministrator()"), 1u);
  EXPECT_EQ(view.state, WindowState::Minimized) << "the click does not restore the window";
}

// Each wait for an answer holds Quellaro up: once per press, however long the key is held.
TEST_F(FlipFeedbackTest, AWindowThatDoesNotAnswerIsLeftAloneWithTheSoundAlone) {
  GoToTray();
  platform.notAnswering.insert(kEditor);
  Press(kEditor, 3);
  Press(kEditor);
  EXPECT_EQ(platform.Count("AnswersWithin(0x2000, 300)"), 2u);
  EXPECT_EQ(platform.Count(kBeep), 2u);
  EXPECT_EQ(platform.Count("ShowTrayBalloon()") + platform.Count("SetWindowPos(0x2000, -1, 0, 0, 0, 0, 16387)"), 0u);
}

TEST_F(FlipFeedbackTest, WithTheMainWindowShownARefusedPressOnlySounds) {
  platform.owners[kInstaller] = WindowOwner::Administrator;
  Press(kInstaller);
  EXPECT_EQ(platform.Count(kBeep), 1u);
  EXPECT_EQ(platform.Count("ShowTrayBalloon()"), 0u);
  // No balloon was shown for it, so from the tray it still gets one.
  GoToTray();
  Press(kInstaller);
  ASSERT_EQ(platform.balloons.size(), 1u);
  EXPECT_EQ(platform.balloons[0].text,
            L"这个窗口属于以管理员身份运行的程序。点击这里，以管理员身份重新启动 Quellaro。");
}

TEST_F(FlipFeedbackTest, AKeyHeldOverSeveralTicksSoundsOncePerPress) {
  GoToTray();
  Press(kInstaller, 4);
  EXPECT_EQ(platform.Count("SetWindowPos(0x3000, -1, 0, 0, 0, 0, 16387)"), 2u) << "tried again once told";
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
