#include <gtest/gtest.h>

#include <string>

#include "Fakes.h"
#include "app/SingleInstance.h"

namespace quellaro::test {
namespace {

class FakeRunningCopy : public RunningCopy {
 public:
  Claim claim = Claim::Held;
  Elevation own = Elevation::Limited, running = Elevation::Limited;
  bool ends = true;
  int unpublished = 0, freeAfter = -1, pauses = 0;  // pauses until it publishes itself, until the mutex is free
  CallLog calls;

  Claim ClaimInstance() override { return pauses > 0 && pauses == freeAfter ? Claim::Owned : claim; }
  bool Published() override { return pauses >= unpublished; }
  void Pause() override { ++pauses; }
  Elevation OwnElevation() override {
    calls.emplace_back("OwnElevation()");
    return own;
  }
  Elevation RunningElevation() override {
    calls.emplace_back("RunningElevation()");
    return running;
  }
  void AskToClose() override { calls.emplace_back("AskToClose()"); }
  bool WaitForEnd() override {
    calls.emplace_back("WaitForEnd()");
    return ends;
  }
};

struct SecondStartCase {
  const char* what;   // cppcheck-suppress unusedStructMember ; read by the name generator
  Elevation own;      // cppcheck-suppress unusedStructMember ; read through GetParam()
  Elevation running;  // cppcheck-suppress unusedStructMember
  bool ends;          // cppcheck-suppress unusedStructMember
  bool starts;        // cppcheck-suppress unusedStructMember
  bool asksToClose;   // cppcheck-suppress unusedStructMember
  // cppcheck-suppress unusedStructMember
  Claim claim = Claim::Held;
  int unpublished = 0, freeAfter = -1, pauses = 0;  // cppcheck-suppress unusedStructMember
};

class SecondStartTest : public ::testing::TestWithParam<SecondStartCase> {};

// Only an elevated start that finds a copy that is not goes on, and only
// once that copy has ended: one instance remains, always.
TEST_P(SecondStartTest, OnlyAnElevatedStartTakesOverFromACopyThatIsNot) {
  const SecondStartCase& c = GetParam();
  FakeRunningCopy copy;
  copy.claim = c.claim;
  copy.own = c.own;
  copy.running = c.running;
  copy.ends = c.ends;
  copy.unpublished = c.unpublished;
  copy.freeAfter = c.freeAfter;
  EXPECT_EQ(BecomesTheInstance(copy), c.starts);
  EXPECT_EQ(copy.pauses, c.pauses);
  if (c.asksToClose) {
    EXPECT_EQ(copy.calls, (CallLog{"OwnElevation()", "RunningElevation()", "AskToClose()", "WaitForEnd()"}));
  } else {
    EXPECT_EQ(std::count(copy.calls.begin(), copy.calls.end(), "AskToClose()"), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SecondStartTest,
    ::testing::Values(
        SecondStartCase{"ElevatedFindsLimited", Elevation::Elevated, Elevation::Limited, true, true, true},
        SecondStartCase{"ElevatedFindsLimitedAndAnotherStartTookOver", Elevation::Elevated, Elevation::Limited, false,
                        false, true},
        SecondStartCase{"NoCopyRuns", Elevation::Limited, Elevation::Unknown, true, true, false, Claim::Owned},
        SecondStartCase{"CopyAsAdministrator", Elevation::Elevated, Elevation::Limited, true, false, false,
                        Claim::Denied},
        SecondStartCase{"ElevatedFindsElevated", Elevation::Elevated, Elevation::Elevated, true, false, false},
        SecondStartCase{"ElevatedFindsOneItCannotAsk", Elevation::Elevated, Elevation::Unknown, true, false, false},
        SecondStartCase{"LimitedFindsLimited", Elevation::Limited, Elevation::Limited, true, false, false},
        SecondStartCase{"LimitedFindsElevated", Elevation::Limited, Elevation::Elevated, true, false, false},
        SecondStartCase{"UnknownFindsLimited", Elevation::Unknown, Elevation::Limited, true, false, false},
        SecondStartCase{"StillStarting", Elevation::Elevated, Elevation::Limited, true, true, true, Claim::Held, 3, -1,
                        3},
        SecondStartCase{"NeverPublished", Elevation::Elevated, Elevation::Unknown, true, false, false, Claim::Held, 99,
                        -1, kStartingPolls},
        SecondStartCase{"EndedWhileStarting", Elevation::Elevated, Elevation::Unknown, true, true, false, Claim::Held,
                        99, 2, 2},
        SecondStartCase{"LimitedWhileStarting", Elevation::Limited, Elevation::Limited, true, false, false, Claim::Held,
                        99}),
    [](const ::testing::TestParamInfo<SecondStartCase>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace quellaro::test
