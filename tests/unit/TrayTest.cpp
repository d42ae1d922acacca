#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "Fakes.h"
#include "tray/Tray.h"

namespace quellaro::test {
namespace {

constexpr std::uintptr_t kIconId = 0x100;  // the same on every run, not kIcon's value
constexpr std::intptr_t kLeftDown = 0x201;

TEST(TrayRecordTest, CarriesWindowIconIdCallbackAndPaddedTip) {
  const TrayRecord record = MakeTrayRecord(kSelf, kIcon);
  EXPECT_EQ(record.hWnd, kSelf);
  EXPECT_EQ(record.uID, kIconId);
  EXPECT_EQ(record.uFlags, 7u);
  EXPECT_EQ(record.uCallbackMessage, 0x200u);
  EXPECT_EQ(record.hIcon, kIcon);
  std::array<char, 64> tip;
  tip.fill(' ');
  std::memcpy(tip.data(), "Quellaro", 9);  // with its NUL
  EXPECT_EQ(record.szTip, tip);
}

class TrayTest : public ::testing::Test, public Harness {
 protected:
  void SetUp() override { Start(); }
  void MinimiseToTray() {
    view.SetWindowState(WindowState::Minimized);
    platform.calls.clear();
  }
  // A new notification area, with none of the old one's icons.
  void ShellRestarts() {
    platform.trayIcons.clear();
    form.TaskbarCreated();
  }
  void Ticks(int count) {
    for (int i = 0; i < count; ++i) form.Timer1_Timer();
  }
};

TEST_F(TrayTest, OnlyMinimisingAddsTheIcon) {
  form.Form_Resize();
  EXPECT_TRUE(platform.calls.empty());
  view.SetWindowState(WindowState::Minimized);
  ASSERT_EQ(platform.trayCalls.size(), 1u);
  EXPECT_EQ(platform.trayCalls[0].first, kNimAdd);
  EXPECT_EQ(platform.trayCalls[0].second.uID, kIconId);
  EXPECT_EQ(platform.trayCalls[0].second.hWnd, kSelf);
  EXPECT_FALSE(view.visible);
}

TEST_F(TrayTest, LeftPressOnIconRestoresAndRemovesIt) {
  MinimiseToTray();
  form.Form_MouseMove(kIconId, kLeftDown);
  EXPECT_EQ(view.state, WindowState::Normal);
  EXPECT_TRUE(view.visible);
  EXPECT_TRUE(view.activated);
  ASSERT_EQ(platform.trayCalls.size(), 2u);
  EXPECT_EQ(platform.trayCalls[1].first, kNimDelete);
  EXPECT_EQ(platform.trayCalls[1].second.uID, kIconId);
}

TEST_F(TrayTest, OtherIconNotificationsAndRealMouseMovesAreIgnored) {
  form.Form_MouseMove(0, kLeftDown);  // a mouse move at (513, 0) before the icon ever existed
  MinimiseToTray();
  const std::pair<std::uintptr_t, std::intptr_t> messages[] = {
      {kIconId, 0x200},
      {kIconId, 0x202},
      {kIconId, 0x203},
      {kIconId, 0x204},
      {kIconId, 0x205},
      // Key flags and client coordinates, one pair of which reads as 0x201.
      {0, kLeftDown},
      {1, kLeftDown},
      {0x7F, kLeftDown},  // every key flag at once
      {0, (40 << 16) | 30},
      {1, (5 << 16) | kLeftDown}};
  for (const auto& [wParam, lParam] : messages) form.Form_MouseMove(wParam, lParam);
  EXPECT_EQ(view.state, WindowState::Minimized);
  EXPECT_FALSE(view.visible);
  EXPECT_EQ(platform.Count("SetWindowState(Normal)") + platform.Count("Shell_NotifyIconA(2)"), 0u);
}

TEST_F(TrayTest, LeftPressWhileNormalNeitherShowsNorDeletes) {
  MinimiseToTray();
  view.state = WindowState::Normal;  // restored some other way; the icon event comes late
  form.Form_MouseMove(kIconId, kLeftDown);
  EXPECT_EQ(platform.Count("SetVisible(true)") + platform.Count("Shell_NotifyIconA(2)"), 0u);
}

TEST_F(TrayTest, ShellRestartReaddsIconOnlyWhileInTray) {
  ShellRestarts();
  EXPECT_TRUE(platform.trayCalls.empty());

  MinimiseToTray();
  ShellRestarts();
  ASSERT_EQ(platform.trayCalls.size(), 2u);
  EXPECT_EQ(platform.trayCalls[1].first, kNimAdd);
  EXPECT_EQ(platform.trayCalls[1].second.uID, kIconId);

  form.Form_MouseMove(kIconId, kLeftDown);
  platform.calls.clear();
  ShellRestarts();
  EXPECT_TRUE(platform.calls.empty());
}

// A busy shell, at sign-in above all, refuses the icon: the window stays
// minimised with its taskbar button until the shell takes the icon, offered
// again every 3 s and whenever a notification area appears.
TEST_F(TrayTest, ARefusedIconLeavesTheWindowOnTheTaskbarUntilTheShellTakesIt) {
  platform.trayRefusals = 4;  // the first add (and the modify after it), and the first retry
  view.SetWindowState(WindowState::Minimized);
  EXPECT_FALSE(form.TrayIconShown());
  EXPECT_EQ(platform.Count("SetVisible(false)"), 0u);
  Ticks(kTrayRetryTicks - 1);
  EXPECT_EQ(platform.Count("Shell_NotifyIconA(0)"), 1u) << "not tried again before 3 s";
  Ticks(1);
  EXPECT_EQ(platform.Count("Shell_NotifyIconA(0)"), 2u);
  EXPECT_FALSE(form.TrayIconShown());

  ShellRestarts();
  EXPECT_TRUE(form.TrayIconShown());
  EXPECT_EQ(platform.Count("SetVisible(false)"), 1u);
  EXPECT_EQ(view.state, WindowState::Minimized);
  Ticks(2 * kTrayRetryTicks);
  EXPECT_EQ(platform.Count("Shell_NotifyIconA(0)"), 3u) << "no more adds once the icon is there";

  // A restarted shell that refuses the icon: the hidden window comes back as
  // its taskbar button, until the add is taken.
  platform.trayRefusals = 2;
  ShellRestarts();
  EXPECT_FALSE(form.TrayIconShown());
  EXPECT_EQ(platform.Count("SetVisible(true)"), 1u);
  Ticks(kTrayRetryTicks);
  EXPECT_TRUE(form.TrayIconShown());
  EXPECT_EQ(platform.Count("SetVisible(false)"), 2u);
  form.Form_MouseMove(kIconId, kLeftDown);
  EXPECT_TRUE(view.visible);
  EXPECT_EQ(view.state, WindowState::Normal);
}

// An add that timed out may have been carried out: the icon is there, and
// the next try finds it.
TEST_F(TrayTest, AnIconAddedDespiteATimeOutCountsOnTheNextTry) {
  platform.trayRefusals = 2;
  view.SetWindowState(WindowState::Minimized);
  platform.trayIcons.insert(kTrayIconId);  // the shell carried out the add after all
  Ticks(kTrayRetryTicks);
  EXPECT_TRUE(form.TrayIconShown());
  EXPECT_FALSE(view.visible);
  EXPECT_EQ(platform.Count("Shell_NotifyIconA(1)"), 2u);
}

TEST_F(TrayTest, MinimisingAgainAfterRestoreUsesTheSameId) {
  MinimiseToTray();
  form.Form_MouseMove(kIconId, kLeftDown);
  MinimiseToTray();
  ASSERT_EQ(platform.trayCalls.size(), 3u);
  EXPECT_EQ(platform.trayCalls[2].first, kNimAdd);
  EXPECT_EQ(platform.trayCalls[2].second.uID, kIconId);
  form.Form_MouseMove(kIconId, kLeftDown);
  EXPECT_TRUE(view.visible);
}

}  // namespace
}  // namespace quellaro::test
