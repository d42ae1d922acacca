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
  CallLog calls;

  Claim ClaimInstance() override {
    calls.emplace_back("ClaimInstance()");
    return claim;
  }
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
  Claim claim;        // cppcheck-suppress unusedStructMember ; read through GetParam()
  Elevation own;      // cppcheck-suppress unusedStructMember
  Elevation running;  // cppcheck-suppress unusedStructMember
  bool ends;          // cppcheck-suppress unusedStructMember
  bool starts;        // cppcheck-suppress unusedStructMember
  bool asksToClose;   // cppcheck-suppress unusedStructMember
};

class SecondStartTest : public ::testing::TestWithParam<SecondStartCase> {};

// A start goes on when no copy runs, or when it is elevated, finds a copy
// that is not, and gets the mutex once that copy has ended: one instance
// remains, always.
TEST_P(SecondStartTest, OnlyAnElevatedStartTakesOverFromACopyThatIsNot) {
  const SecondStartCase& c = GetParam();
  FakeRunningCopy copy;
  copy.claim = c.claim;
  copy.own = c.own;
  copy.running = c.running;
  copy.ends = c.ends;
  EXPECT_EQ(BecomesTheInstance(copy), c.starts);
  if (c.asksToClose) {
    EXPECT_EQ(copy.calls, (CallLog{"ClaimInstance()", "OwnElevation()", "RunningElevation()", "AskToClose()", "WaitForEnd()"}));
  } else {
    EXPECT_EQ(std::count(copy.calls.begin(), copy.calls.end(), "AskToClose()"), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SecondStartTest,
    ::testing::Values(
        SecondStartCase{"NoCopyRuns", Claim::Owned, Elevation::Limited, Elevation::Unknown, true, true, false},
        SecondStartCase{"CopyAsAdministratorCannotBeOpened", Claim::Denied, Elevation::Elevated, Elevation::Limited,
                        true, false, false},
        SecondStartCase{"ElevatedFindsLimited", Claim::Held, Elevation::Elevated, Elevation::Limited, true, true, true},
        SecondStartCase{"ElevatedFindsLimitedButAnotherStartTookOver", Claim::Held, Elevation::Elevated, Elevation::Limited,
                        false, false, true},
        SecondStartCase{"ElevatedFindsElevated", Claim::Held, Elevation::Elevated, Elevation::Elevated, true, false, false},
        SecondStartCase{"ElevatedFindsNonePublished", Claim::Held, Elevation::Elevated, Elevation::Unknown, true, false, false},
        SecondStartCase{"LimitedFindsLimited", Claim::Held, Elevation::Limited, Elevation::Limited, true, false, false},
        SecondStartCase{"LimitedFindsElevated", Claim::Held, Elevation::Limited, Elevation::Elevated, true, false, false},
        SecondStartCase{"UnknownFindsLimited", Claim::Held, Elevation::Unknown, Elevation::Limited, true, false, false}),
    [](const ::testing::TestParamInfo<SecondStartCase>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace quellaro::test
