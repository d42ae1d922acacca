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
  form.TaskbarCreated();
  EXPECT_TRUE(platform.trayCalls.empty());

  MinimiseToTray();
  form.TaskbarCreated();
  ASSERT_EQ(platform.trayCalls.size(), 2u);
  EXPECT_EQ(platform.trayCalls[1].first, kNimAdd);
  EXPECT_EQ(platform.trayCalls[1].second.uID, kIconId);

  form.Form_MouseMove(kIconId, kLeftDown);
  platform.calls.clear();
  form.TaskbarCreated();
  EXPECT_TRUE(platform.calls.empty());
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
