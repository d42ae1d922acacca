#include <gtest/gtest.h>

#include "Fakes.h"
#include "pinning/Poll.h"

namespace quellaro::test {
namespace {

const WindowHandle kOther = HandleFromValue(0x2000);
constexpr std::int16_t kDown = static_cast<std::int16_t>(0x8000);

class PollTest : public ::testing::Test {
 protected:
  FakePlatform platform;
  WindowHandle target = HandleFromValue(0x9999);

  void Tick(std::int16_t hotKey = 119) { PollTick(platform, hotKey, kSelf, target); }
  void PressF8OnForeground(WindowHandle window) {
    platform.keyStates[119] = kDown;
    platform.foreground = window;
  }
};

TEST_F(PollTest, KeyUpOnlyReadsTheKey) {
  platform.keyStates[119] = 1;  // "pressed since the last call" but not down now
  platform.keyStates[65] = 0x7fff;
  Tick();
  Tick(65);
  Tick(0);  // no key set
  EXPECT_EQ(platform.calls, (CallLog{"GetAsyncKeyState(119)", "GetAsyncKeyState(65)", "GetAsyncKeyState(0)"}));
  EXPECT_EQ(target, HandleFromValue(0x9999));
}

TEST_F(PollTest, OwnWindowIsNeverPinned) {
  PressF8OnForeground(kSelf);
  Tick();
  EXPECT_EQ(platform.calls, (CallLog{"GetAsyncKeyState(119)", "GetForegroundWindow()"}));
  EXPECT_EQ(target, kSelf);  // the key was down: the foreground window is still noted
}

TEST_F(PollTest, NormalWindowIsPinned) {
  PressF8OnForeground(kOther);
  platform.exStyles[kOther] = 0x100;
  Tick();
  EXPECT_EQ(platform.calls, (CallLog{"GetAsyncKeyState(119)", "GetForegroundWindow()", "GetWindowLongA(0x2000, -20)",
                                     "SetWindowPos(0x2000, -1, 0, 0, 0, 0, 3)"}));
  EXPECT_EQ(target, kOther);
}

TEST_F(PollTest, TopmostWindowIsSentToTheBottomOnce) {
  PressF8OnForeground(kOther);
  platform.exStyles[kOther] = 0x40108;
  Tick();
  EXPECT_EQ(platform.calls, (CallLog{"GetAsyncKeyState(119)", "GetForegroundWindow()", "GetWindowLongA(0x2000, -20)",
                                     "SetWindowPos(0x2000, 1, 0, 0, 0, 0, 3)", "GetWindowLongA(0x2000, -20)"}));
  EXPECT_EQ(target, kOther);
}

TEST_F(PollTest, TopmostBitKeptAtBottomIsClearedWithoutActivating) {
  PressF8OnForeground(kOther);
  platform.exStyles[kOther] = 0x40108;
  platform.bottomKeepsTopmost = true;
  Tick();
  ASSERT_EQ(platform.calls.size(), 7u);
  EXPECT_EQ(platform.calls[3], "SetWindowPos(0x2000, 1, 0, 0, 0, 0, 3)");
  EXPECT_EQ(platform.calls[5], "SetWindowPos(0x2000, -2, 0, 0, 0, 0, 19)");
  EXPECT_EQ(platform.calls[6], "SetWindowPos(0x2000, 1, 0, 0, 0, 0, 19)");
  EXPECT_FALSE(IsTopmost(platform, kOther));
}

TEST_F(PollTest, NoForegroundWindowReadsAsNotTopmost) {
  PressF8OnForeground(nullptr);
  Tick();
  EXPECT_EQ(platform.calls.back(), "SetWindowPos(0x0, -1, 0, 0, 0, 0, 3)");
  EXPECT_EQ(target, nullptr);
}

TEST_F(PollTest, HeldKeyFlipsOnEveryTick) {
  PressF8OnForeground(kOther);
  Tick();
  EXPECT_TRUE(IsTopmost(platform, kOther));
  Tick();
  EXPECT_FALSE(IsTopmost(platform, kOther));
  EXPECT_EQ(platform.Count("SetWindowPos(0x2000, -1, 0, 0, 0, 0, 3)"), 1u);
  EXPECT_EQ(platform.Count("SetWindowPos(0x2000, 1, 0, 0, 0, 0, 3)"), 1u);
}

}  // namespace
}  // namespace quellaro::test
