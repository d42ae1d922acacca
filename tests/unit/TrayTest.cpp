#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

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
  form.Form_Resize();
  platform.calls.clear();
  form.Form_MouseMove(kIconId, kLeftDown);
  EXPECT_EQ(platform.Count("SetVisible(true)") + platform.Count("Shell_NotifyIconA(2)"), 0u);
}

// Another program restores the hidden window (a window tool, a script): the
// tray follows, the icon goes, and a new notification area neither hides the
// window nor adds an icon for it.
TEST_F(TrayTest, AWindowRestoredByAnotherProgramLosesItsIconAndStaysShown) {
  MinimiseToTray();
  view.state = WindowState::Normal;  // without being shown, to be sure it is shown all the same
  form.Form_Resize();
  EXPECT_TRUE(view.visible);
  EXPECT_FALSE(form.TrayIconShown());
  EXPECT_EQ(platform.Count("Shell_NotifyIconA(2)"), 1u);

  const std::size_t shellCalls = platform.trayCalls.size();
  ShellRestarts();
  Ticks(kTrayRetryMaxTicks);
  EXPECT_EQ(platform.trayCalls.size(), shellCalls) << "no icon for a shown window";
  EXPECT_EQ(platform.Count("SetVisible(false)"), 0u);
  EXPECT_TRUE(view.visible);

  // Into the tray again as usual, and back with the icon.
  view.SetWindowState(WindowState::Minimized);
  EXPECT_TRUE(form.TrayIconShown());
  EXPECT_FALSE(view.visible);
  form.Form_MouseMove(kIconId, kLeftDown);
  EXPECT_TRUE(view.visible);
  EXPECT_EQ(view.state, WindowState::Normal);
  EXPECT_FALSE(form.TrayIconShown());
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
// again after 3 s (then less often), and whenever a notification area appears.
TEST_F(TrayTest, ARefusedIconLeavesTheWindowOnTheTaskbarUntilTheShellTakesIt) {
  platform.trayTimeouts = 2;  // the first add, and the modify on the first retry: one wait per offer
  view.SetWindowState(WindowState::Minimized);
  EXPECT_FALSE(form.TrayIconShown());
  EXPECT_TRUE(view.visible);
  EXPECT_EQ(platform.Count("SetVisible(false)"), 0u);
  Ticks(kTrayRetryTicks - 1);
  EXPECT_EQ(platform.trayCalls.size(), 1u) << "not tried again before 3 s";
  Ticks(1);
  ASSERT_EQ(platform.trayCalls.size(), 2u);
  EXPECT_FALSE(form.TrayIconShown());

  ShellRestarts();
  EXPECT_TRUE(form.TrayIconShown());
  EXPECT_EQ(platform.trayCalls.back().first, kNimAdd) << "a new notification area has no icon to modify";
  EXPECT_EQ(platform.Count("SetVisible(false)"), 1u);
  EXPECT_EQ(view.state, WindowState::Minimized);
  Ticks(2 * kTrayRetryMaxTicks);
  EXPECT_EQ(platform.trayCalls.size(), 3u) << "no more offers once the icon is there";

  // A restarted shell that refuses the icon: the hidden window comes back as
  // its taskbar button, until the shell takes it.
  platform.trayRefusals = 2;
  ShellRestarts();
  EXPECT_FALSE(form.TrayIconShown());
  EXPECT_TRUE(view.visible);
  EXPECT_EQ(platform.Count("SetVisible(true)"), 1u);
  Ticks(kTrayRetryTicks + 2 * kTrayRetryTicks);
  EXPECT_TRUE(form.TrayIconShown());
  EXPECT_EQ(platform.Count("SetVisible(false)"), 2u);
  form.Form_MouseMove(kIconId, kLeftDown);
  EXPECT_TRUE(view.visible);
  EXPECT_EQ(view.state, WindowState::Normal);
}

// A shell that answers "no" at once gets a modify, which finds an icon that a
// timed-out add left, and then an add, in each offer at 3, 6, 12 ... up to 60 s
// apart. A new notification area is offered the icon at once and starts the
// count again.
TEST_F(TrayTest, ARefusingShellIsAskedOnceAtATimeAndLessAndLessOften) {
  platform.trayRefusals = 1 << 30;
  view.SetWindowState(WindowState::Minimized);
  ASSERT_EQ(platform.trayCalls.size(), 1u);
  EXPECT_EQ(platform.trayCalls[0].first, kNimAdd);

  using Offer = std::pair<int, unsigned>;  // the tick it came on, and the shell message
  std::vector<Offer> offers;
  const auto tickAndRecord = [&](int ticks) {
    for (int tick = 1; tick <= ticks; ++tick) {
      const std::size_t before = platform.trayCalls.size();
      form.Timer1_Timer();
      for (std::size_t i = before; i < platform.trayCalls.size(); ++i) {
        offers.emplace_back(tick, platform.trayCalls[i].first);
      }
    }
  };
  tickAndRecord(1070);
  std::vector<Offer> backingOff;
  for (int tick : {15, 45, 105, 225, 465, 765, 1065})
    backingOff.insert(backingOff.end(), {{tick, kNimModify}, {tick, kNimAdd}});
  EXPECT_EQ(offers, backingOff) << "ticks of 200 ms: 3, 6, 12, 24, 48, 60 and 60 s apart";

  offers.clear();
  ShellRestarts();
  EXPECT_EQ(platform.trayCalls.back().first, kNimAdd) << "at once";
  tickAndRecord(50);
  const std::vector<Offer> fromTheStart = {{15, kNimModify}, {15, kNimAdd}, {45, kNimModify}, {45, kNimAdd}};
  EXPECT_EQ(offers, fromTheStart);
}

// An add that timed out may have been carried out: the icon is there, and
// the next offer finds it.
TEST_F(TrayTest, AnIconAddedDespiteATimeOutCountsOnTheNextTry) {
  platform.trayTimeouts = 1;
  view.SetWindowState(WindowState::Minimized);
  platform.trayIcons.insert(kTrayIconId);  // the shell carried out the add after all
  Ticks(kTrayRetryTicks);
  EXPECT_TRUE(form.TrayIconShown());
  EXPECT_FALSE(view.visible);
  EXPECT_EQ(platform.Count("Shell_NotifyIconA(0)"), 1u);
  EXPECT_EQ(platform.Count("Shell_NotifyIconA(1)"), 1u);
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
