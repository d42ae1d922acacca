#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Fakes.h"
#include "pinning/Poll.h"

namespace quellaro::test {
namespace {

const WindowHandle kOther = HandleFromValue(0x2000);
const WindowHandle kShell = HandleFromValue(0x10);
const WindowHandle kDesktop = HandleFromValue(0x20);
// What a tick asks about a window before it touches it: is it the shell's, a full-screen program's, does it answer?
const CallLog kShellChecks = {"GetShellWindow()", "GetDesktopWindow()", "ClassName(0x2000)",
                              "GetWindowLongA(0x2000, -16)", "AnswersWithin(0x2000, 300)"};

CallLog Concat(CallLog head, const CallLog& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

class PollTest : public ::testing::Test {
 protected:
  PollTest() {
    platform.shellWindow = kShell;
    platform.desktopWindow = kDesktop;
  }
  FakePlatform platform;
  WindowHandle target = HandleFromValue(0x9999);
  PollState state;

  TickOutcome Tick(std::int16_t hotKey = 119) { return PollTick(platform, hotKey, kSelf, target, state); }
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
  EXPECT_EQ(platform.calls, Concat(Concat({"GetAsyncKeyState(119)", "GetForegroundWindow()"}, kShellChecks),
                                   {"GetWindowLongA(0x2000, -20)", "SetWindowPos(0x2000, -1, 0, 0, 0, 0, 16387)",
                                    "GetWindowLongA(0x2000, -20)"}));
  EXPECT_EQ(target, kOther);
}

TEST_F(PollTest, TopmostWindowIsSentToTheBottomAndClearedWithoutActivating) {
  PressF8OnForeground(kOther);
  platform.exStyles[kOther] = 0x40108;
  Tick();
  EXPECT_EQ(platform.calls, Concat(Concat({"GetAsyncKeyState(119)", "GetForegroundWindow()"}, kShellChecks),
                                   {"GetWindowLongA(0x2000, -20)", "SetWindowPos(0x2000, 1, 0, 0, 0, 0, 16387)",
                                    "SetWindowPos(0x2000, -2, 0, 0, 0, 0, 16403)",
                                    "SetWindowPos(0x2000, 1, 0, 0, 0, 0, 16403)", "GetWindowLongA(0x2000, -20)"}));
  EXPECT_EQ(target, kOther);
}

TEST_F(PollTest, TopmostBitKeptAtBottomIsClearedWithoutActivating) {
  PressF8OnForeground(kOther);
  platform.exStyles[kOther] = 0x40108;
  platform.bottomKeepsTopmost = true;
  Tick();
  const std::size_t first = 2 + kShellChecks.size();
  ASSERT_EQ(platform.calls.size(), first + 5);
  EXPECT_EQ(platform.calls[first + 1], "SetWindowPos(0x2000, 1, 0, 0, 0, 0, 16387)");
  EXPECT_EQ(platform.calls[first + 2], "SetWindowPos(0x2000, -2, 0, 0, 0, 0, 16403)");
  EXPECT_EQ(platform.calls[first + 3], "SetWindowPos(0x2000, 1, 0, 0, 0, 0, 16403)");
  EXPECT_EQ(platform.calls[first + 4], "GetWindowLongA(0x2000, -20)");  // did it take?
  EXPECT_FALSE(IsTopmost(platform, kOther));
}

TEST_F(PollTest, NoForegroundWindowReadsAsNotTopmost) {
  PressF8OnForeground(nullptr);
  Tick();
  EXPECT_EQ(platform.calls.back(), "SetWindowPos(0x0, -1, 0, 0, 0, 0, 16387)");
  EXPECT_EQ(target, nullptr);
}

TEST_F(PollTest, HeldKeyFlipsOnEveryTick) {
  PressF8OnForeground(kOther);
  Tick();
  EXPECT_TRUE(IsTopmost(platform, kOther));
  Tick();
  EXPECT_FALSE(IsTopmost(platform, kOther));
  EXPECT_EQ(platform.Count("SetWindowPos(0x2000, -1, 0, 0, 0, 0, 16387)"), 1u);
  EXPECT_EQ(platform.Count("SetWindowPos(0x2000, 1, 0, 0, 0, 0, 16387)"), 1u);
}

// After its change the tick reads the topmost bit, and on the next ticks
// again: a window that kept its state refused, and the reason is the
// administrator's rights when SetWindowPos was denied or the window's program
// runs above Quellaro, or its program did not answer any more.
struct FlipCase {
  const char* what;                         // cppcheck-suppress unusedStructMember ; read by the name generator
  bool topmost;                             // cppcheck-suppress unusedStructMember ; read through GetParam()
  bool refuses = false;                     // cppcheck-suppress unusedStructMember
  std::uint32_t setPosError = 0;            // cppcheck-suppress unusedStructMember ; 0: SetWindowPos succeeds
  bool higherIntegrity = false;             // cppcheck-suppress unusedStructMember
  bool wineKeepsBit = false;                // cppcheck-suppress unusedStructMember
  FlipResult result = FlipResult::Changed;  // cppcheck-suppress unusedStructMember
  bool elevated = false, stranger = false, answers = true;           // cppcheck-suppress unusedStructMember
  bool slow = false, delivered = false, busyAfterAnswering = false;  // cppcheck-suppress unusedStructMember
  bool shownAtOnce = false;  // cppcheck-suppress unusedStructMember ; told on the press's own tick
};

class FlipResultTest : public PollTest, public ::testing::WithParamInterface<FlipCase> {};

TEST_P(FlipResultTest, TickTellsWhetherTheChangeTookAndWhyNot) {
  const FlipCase& c = GetParam();
  platform.exStyles[kOther] = c.topmost ? kWsExTopmost : 0;
  if (c.refuses) platform.refusing.insert(kOther);
  if (c.setPosError != 0) platform.setPosErrors[kOther] = c.setPosError;
  if (c.higherIntegrity) platform.owners[kOther] = WindowOwner::Administrator;
  if (c.stranger) platform.owners[kOther] = WindowOwner::Stranger;
  platform.elevated = c.elevated;
  if (!c.answers) platform.notAnswering.insert(kOther);
  platform.bottomKeepsTopmost = c.wineKeepsBit;
  if (c.slow) platform.slow.insert(kOther);
  platform.deliverWhenAsked = c.shownAtOnce;
  PressF8OnForeground(kOther);
  TickOutcome tick = Tick();
  EXPECT_TRUE(tick.keyDown);
  if (c.shownAtOnce) {
    EXPECT_EQ(tick.result, FlipResult::Changed) << "told on its own tick";
  }
  platform.keyStates[119] = 0;  // the outcome may come after the key went up
  if (c.delivered) platform.Deliver();
  if (c.busyAfterAnswering) platform.notAnswering.insert(kOther);
  for (unsigned ticks = 0; state.pendingWindow != nullptr && ticks < kPendingTicks; ++ticks) tick = Tick();
  EXPECT_EQ(state.pendingWindow, nullptr);
  EXPECT_EQ(tick.window, kOther);
  EXPECT_EQ(tick.pinning, !c.topmost && c.answers);
  EXPECT_EQ(tick.result, c.result);
  // The owner is asked about only after a refusal; a window that does not answer is not touched.
  const bool refused =
      c.result != FlipResult::Changed && c.result != FlipResult::None && c.result != FlipResult::NotAnswering;
  EXPECT_EQ(platform.Count("OwnerOf(0x2000)"), refused ? 1u : 0u);
  EXPECT_EQ(platform.Count("SetWindowPos(0x2000, -1, 0, 0, 0, 0, 16387)"), c.answers && !c.topmost ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FlipResultTest,
    ::testing::Values(
        FlipCase{"PinWorks", false}, FlipCase{"UnpinWorks", true},
        FlipCase{"UnpinWorksWhereTheBottomKeepsTheBit", true, false, 0, false, true},
        FlipCase{"PinRefused", false, true, 0, false, false, FlipResult::Refused},
        FlipCase{"UnpinRefused", true, true, 0, false, false, FlipResult::Refused},
        FlipCase{"PinDenied", false, false, kErrorAccessDenied, false, false, FlipResult::Administrator},
        FlipCase{"UnpinDenied", true, false, kErrorAccessDenied, false, false, FlipResult::Administrator},
        FlipCase{"PinFailsForAnotherReason", false, false, 87, false, false, FlipResult::Refused},
        FlipCase{"PinOnAWindowThatClosedMeanwhile", false, false, kErrorInvalidWindowHandle, false, false,
                 FlipResult::None},
        FlipCase{"PinKeptByAProgramRunAsAdministrator", false, true, 0, true, false, FlipResult::Administrator},
        FlipCase{"UnpinKeptByAProgramRunAsAdministrator", true, true, 0, true, false, FlipResult::Administrator},
        FlipCase{"PinDeniedWhileElevated", false, false, kErrorAccessDenied, false, false, FlipResult::OutOfReach,
                 true},
        FlipCase{"PinRefusedWhileElevated", false, true, 0, false, false, FlipResult::Refused, true},
        FlipCase{"PinKeptByAnotherAccount", false, true, 0, false, false, FlipResult::OutOfReach, false, true},
        FlipCase{"PinOnAWindowThatDoesNotAnswer", false, false, 0, false, false, FlipResult::NotAnswering, false, false,
                 false},
        FlipCase{.what = "PinShownOnTheNextTick", .topmost = false, .slow = true, .delivered = true},
        FlipCase{.what = "PinShownAfterAMoment", .topmost = false, .slow = true, .shownAtOnce = true},
        FlipCase{.what = "UnpinShownOnTheNextTick", .topmost = true, .slow = true, .delivered = true},
        FlipCase{.what = "PinOnAWindowBusyRightAfterAnswering",
                 .topmost = false,
                 .result = FlipResult::NotAnswering,
                 .slow = true,
                 .busyAfterAnswering = true}),
    [](const ::testing::TestParamInfo<FlipCase>& info) { return std::string(info.param.what); });

TEST_F(PollTest, NothingIsTriedOnQuellaroTheShellOrNoWindow) {
  EXPECT_EQ(Tick().result, FlipResult::None);  // key up
  EXPECT_FALSE(Tick().keyDown);
  PressF8OnForeground(kSelf);
  EXPECT_EQ(Tick().result, FlipResult::None);
  PressF8OnForeground(kShell);
  EXPECT_EQ(Tick().result, FlipResult::None);
  PressF8OnForeground(nullptr);
  EXPECT_EQ(Tick().result, FlipResult::None);
  EXPECT_EQ(platform.Count("OwnerOf(0x0)"), 0u);
}

// The shell's own windows are left alone like Quellaro's: the desktop would
// cover every window, and an unpinned taskbar would drop below them all.
struct ShellCase {
  const char* what;  // cppcheck-suppress unusedStructMember ; read by the name generator
  const wchar_t* className;
  const wchar_t* childClass = nullptr;  // cppcheck-suppress unusedStructMember ; read through GetParam()
  WindowHandle window = kOther;         // cppcheck-suppress unusedStructMember
  bool flipped = false;                 // cppcheck-suppress unusedStructMember
  std::int32_t style = 0;               // cppcheck-suppress unusedStructMember
  bool coversMonitor = false;           // cppcheck-suppress unusedStructMember
};

class ShellWindowTest : public PollTest, public ::testing::WithParamInterface<ShellCase> {};

TEST_P(ShellWindowTest, TickFlipsOnlyWindowsThatAreNotTheShells) {
  const ShellCase& c = GetParam();
  platform.classNames[c.window] = c.className;
  if (c.childClass) platform.childClasses[c.window] = c.childClass;
  platform.styles[c.window] = c.style;
  if (c.coversMonitor) platform.coveringMonitor.insert(c.window);
  platform.exStyles[c.window] = kWsExTopmost;  // as Windows keeps its taskbar
  PressF8OnForeground(c.window);
  Tick();
  EXPECT_EQ(target, c.window);
  const auto flips = std::count_if(platform.calls.begin(), platform.calls.end(),
                                   [](const std::string& call) { return call.rfind("SetWindowPos(", 0) == 0; });
  EXPECT_EQ(flips > 0, c.flipped);
  EXPECT_EQ(IsTopmost(platform, c.window), !c.flipped);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, ShellWindowTest,
    ::testing::Values(ShellCase{"Desktop", L"Progman"}, ShellCase{"ShownDesktop", L"WorkerW", L"SHELLDLL_DefView"},
                      ShellCase{"OtherWorkerW", L"WorkerW", nullptr, kOther, true},
                      ShellCase{"Taskbar", L"Shell_TrayWnd"}, ShellCase{"SecondaryTaskbar", L"Shell_SecondaryTrayWnd"},
                      ShellCase{"StartSearchNotifications", L"Windows.UI.Core.CoreWindow"},
                      ShellCase{"TaskViewWindows10", L"MultitaskingViewFrame"},
                      ShellCase{"TaskViewWindows11", L"XamlExplorerHostIslandWindow"},
                      ShellCase{"Widgets", L"WindowsDashboard"},
                      ShellCase{"TrayOverflowWindows10", L"NotifyIconOverflowWindow"},
                      ShellCase{"TrayOverflowWindows11", L"TopLevelWindowForOverflowXamlIsland"},
                      ShellCase{"ShellWindowOfAnyClass", L"AnotherShell", nullptr, kShell},
                      ShellCase{"DesktopWindow", L"#32769", nullptr, kDesktop},
                      ShellCase{"OrdinaryWindow", L"Notepad", nullptr, kOther, true},
                      ShellCase{"ClassNamesMatchWhole", L"Shell_TrayWndHelper", nullptr, kOther, true},
                      ShellCase{"FullScreenProgram", L"Game", nullptr, kOther, false, 0, true},
                      ShellCase{"MaximisedWindowWithACaption", L"Notepad", nullptr, kOther, true, kWsCaption, true},
                      ShellCase{"BorderlessWindowSmallerThanItsMonitor", L"Game", nullptr, kOther, true}),
    [](const ::testing::TestParamInfo<ShellCase>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace quellaro::test
