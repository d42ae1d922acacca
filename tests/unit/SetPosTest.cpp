#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Fakes.h"
#include "settings/Settings.h"

namespace quellaro::test {
namespace {

const std::string kWrite = "WriteNewFile(C:\\Apps\\Quellaro\\config.ini.tmp)";

class StartUpTest : public ::testing::Test, public Harness {};

TEST_F(StartUpTest, WithoutConfigUsesF8AndTouchesNothing) {
  form.Form_Load();
  EXPECT_EQ(form.HotKey, 119);
  EXPECT_EQ(form.AutoTray, 0);
  EXPECT_EQ(view.text1, L"F8");
  EXPECT_EQ(view.cbAuto, 0);
  EXPECT_EQ(platform.calls, CallLog{"ProbeFile(C:\\Apps\\Quellaro\\config.ini)"});  // no save, no state change
}

TEST_F(StartUpTest, TrayFlagChecksBoxSavesOnceAndStartsInTray) {
  WriteConfig(" 112 \r\n 1 \r\n");
  form.Form_Load();
  EXPECT_EQ(form.HotKey, 112);
  EXPECT_EQ(form.AutoTray, 1);
  EXPECT_EQ(view.cbAuto, 1);
  EXPECT_EQ(platform.writes, std::vector<std::string>{" 112 \r\n 1 \r\n"});
  EXPECT_EQ(view.state, WindowState::Minimized);
  EXPECT_EQ(platform.Count("Shell_NotifyIconA(0)"), 1u);
  EXPECT_FALSE(view.visible);
  EXPECT_EQ(view.text1, L"F1");
}

TEST_F(StartUpTest, FlagOffLeavesFileAndWindowAlone) {
  WriteConfig("65\r\n0\r\n");
  form.Form_Load();
  EXPECT_EQ(view.text1, L"A");
  EXPECT_EQ(view.cbAuto, 0);
  EXPECT_TRUE(platform.writes.empty());
  EXPECT_EQ(platform.Count("SetWindowState(Minimized)"), 0u);
}

TEST_F(StartUpTest, FailedSaveDuringStartUpIsSilent) {
  WriteConfig("112\r\n1\r\n");
  platform.writeFails = true;
  form.Form_Load();
  EXPECT_EQ(platform.writes.size(), 1u);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(view.state, WindowState::Minimized);
}

class UnloadTest : public ::testing::Test, public Harness {};

TEST_F(UnloadTest, RemovesTrayIconBeforeSavingCurrentValues) {
  WriteConfig("112\r\n1\r\n");
  Start();
  form.HotKey = 65;
  view.cbAuto = 0;
  form.Form_Unload();
  const std::size_t remove = platform.IndexOf("Shell_NotifyIconA(2)");
  ASSERT_LT(remove, platform.calls.size());
  EXPECT_LT(remove, platform.IndexOf(kWrite));
  EXPECT_EQ(platform.files[kConfigPath], " 65 \r\n 0 \r\n");
}

TEST_F(UnloadTest, ActsOnceAndIgnoresAFailedSave) {
  Start();
  platform.writeFails = true;
  form.Form_Unload();
  form.Form_Unload();  // log-off, then the window is destroyed
  EXPECT_EQ(platform.Count(kWrite), 1u);
  EXPECT_EQ(platform.Count("Shell_NotifyIconA(2)"), 1u);
  EXPECT_TRUE(platform.messages.empty());
}

// config.ini is there but start-up did not read it (another program held it,
// a read failed, it is hidden): the exit leaves its bytes alone, unless the
// user changed a setting, which is then saved.
TEST(UnreadConfigTest, SurvivesTheExitUnlessTheUserChangedASetting) {
  const std::string userFile = " 116 \r\n 1 \r\n";
  const std::pair<const char*, void (*)(FakePlatform&)> unread[] = {
      {"locked", [](FakePlatform& p) { p.readFails = true; }},
      {"hidden", [](FakePlatform& p) { p.filesHidden = true; }},
  };
  const std::pair<const char*, void (*)(Harness&)> changes[] = {
      {"nothing", [](Harness&) {}},
      {"set-hotkey click", [](Harness& h) { h.form.cmdSetKey_Click(); }},
      {"key chosen", [](Harness& h) { h.form.Text1_KeyUp(65); }},
      {"check box click",
       [](Harness& h) {
         h.view.cbAuto = 1;
         h.form.CbAuto_Click();
       }},
  };
  for (const auto& [cause, makeUnread] : unread) {
    for (const auto& [change, makeChange] : changes) {
      SCOPED_TRACE(std::string(cause) + ", then " + change);
      Harness h;
      h.WriteConfig(userFile);
      makeUnread(h.platform);
      h.Start();
      makeChange(h);
      h.form.Form_Unload();
      const bool changed = std::string(change) != "nothing";
      EXPECT_EQ(h.platform.files[kConfigPath], changed ? FormatSettings(h.form.HotKey, h.view.cbAuto) : userFile);
      EXPECT_EQ(h.platform.writes.empty(), !changed);
    }
  }
}

class ClickTest : public ::testing::Test, public Harness {
 protected:
  void SetUp() override { Start(); }
};

TEST_F(ClickTest, SetKeyPressConfirmSavesTheNewKey) {
  form.cmdSetKey_Click();
  EXPECT_TRUE(view.text1Enabled);
  EXPECT_TRUE(view.text1Focused);
  EXPECT_EQ(view.caption, kCaptionConfirm);
  EXPECT_EQ(platform.writes.size(), 1u);

  form.Text1_KeyUp(116);
  EXPECT_EQ(form.HotKey, 116);
  EXPECT_EQ(view.text1, L"F5");

  form.cmdSetKey_Click();
  EXPECT_FALSE(view.text1Enabled);
  EXPECT_EQ(view.caption, kCaptionSetKey);
  EXPECT_EQ(platform.writes.size(), 2u);
  EXPECT_EQ(platform.files[kConfigPath], " 116 \r\n 0 \r\n");
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(ClickTest, EmptyKeyBoxIsRefused) {
  form.cmdSetKey_Click();
  view.text1.clear();
  const std::size_t saves = platform.writes.size();
  form.cmdSetKey_Click();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].first, kSelf);
  EXPECT_EQ(platform.messages[0].second, L"按键无效，请重新设置！");
  EXPECT_TRUE(view.text1Enabled);
  EXPECT_EQ(view.caption, kCaptionConfirm);
  EXPECT_EQ(platform.writes.size(), saves);
}

TEST_F(ClickTest, FailedSaveIsReportedWithThePathAndCaptureGoesOn) {
  platform.writeFails = true;
  form.cmdSetKey_Click();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].second.find(kConfigPath), std::wstring::npos);
  EXPECT_EQ(view.caption, kCaptionConfirm);

  form.Text1_KeyUp(65);
  form.cmdSetKey_Click();
  EXPECT_FALSE(view.text1Enabled);
  EXPECT_EQ(platform.messages.size(), 2u);
}

TEST_F(ClickTest, CheckBoxClickSavesItsValue) {
  for (const auto& [value, bytes] : {std::pair<int, std::string>{1, " 119 \r\n 1 \r\n"}, {0, " 119 \r\n 0 \r\n"}}) {
    view.cbAuto = value;
    form.CbAuto_Click();
    EXPECT_EQ(platform.files[kConfigPath], bytes);
  }
}

TEST_F(ClickTest, TrayButtonMinimisesIntoTheTray) {
  form.cmdMini_Click();
  EXPECT_EQ(platform.calls, (CallLog{"SetWindowState(Minimized)", "Shell_NotifyIconA(0)", "SetVisible(false)"}));
  EXPECT_TRUE(form.TrayIconShown());
}

TEST_F(ClickTest, HelpButtonShowsAboutOncePerClick) {
  form.Command1_Click();
  form.Command1_Click();
  EXPECT_EQ(view.aboutShown, 2);
}

}  // namespace
}  // namespace quellaro::test
