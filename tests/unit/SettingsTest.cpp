#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "Fakes.h"
#include "settings/Settings.h"

namespace quellaro::test {
namespace {

struct ParseCase {
  const char* what;
  std::string bytes;
  std::int16_t hotKey;
  std::int16_t autoTray;
};

void PrintTo(const ParseCase& c, std::ostream* out) { *out << c.what; }

class ParseSettingsTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseSettingsTest, ReadsHotKeyAndTrayFlag) {
  const ParseCase& c = GetParam();
  const LoadedSettings loaded = ParseSettings(c.bytes);
  EXPECT_TRUE(loaded.found);
  EXPECT_EQ(loaded.hotKey, c.hotKey);
  EXPECT_EQ(loaded.autoTray, c.autoTray);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, ParseSettingsTest,
    ::testing::Values(
        ParseCase{"OwnFormat", " 119 \r\n 0 \r\n", 119, 0}, ParseCase{"PlainCrLf", "119\r\n1\r\n", 119, 1},
        ParseCase{"FractionFloors", "118.9\r\n0\r\n", 118, 0},
        ParseCase{"NegativeFractionFloorsDown", "-0.5\r\n0\r\n", -1, 0},
        ParseCase{"LettersAreNoNumber", "F8\r\n1\r\n", 0, 1}, ParseCase{"EmptyFirstLine", "\r\n1\r\n", 0, 1},
        ParseCase{"OverflowStaysZero", "32768\r\n1\r\n", 0, 1},
        ParseCase{"SmallestInt16", "-32768\r\n0\r\n", -32768, 0}, ParseCase{"FlagTwoIsOff", "65\r\n2\r\n", 65, 0},
        ParseCase{"FlagMinusOneIsOff", "65\r\n-1\r\n", 65, 0}, ParseCase{"FlagLettersIsOff", "65\r\nyes\r\n", 65, 0},
        ParseCase{"FlagFractionFloors", "65\r\n1.5\r\n", 65, 1}, ParseCase{"OneLineFile", "65\r\n", 65, 0},
        ParseCase{"LoneLfEndsNoLine", "119\n1\n", 0, 0}, ParseCase{"LoneCrEndsLine", "65\r1", 65, 1},
        ParseCase{"EmptyFile", "", 0, 0}, ParseCase{"ExtraLinesIgnored", "65\r\n1\r\n999\r\nxyz\r\n", 65, 1},
        ParseCase{"BlanksAroundIgnored", "\t 65 \t\r\n \t1\t \r\n", 65, 1},
        ParseCase{"Exponent", "1e2\r\n1E0\r\n", 100, 1}, ParseCase{"InfRejected", "inf\r\n1\r\n", 0, 1},
        ParseCase{"NanRejected", "nan\r\n1\r\n", 0, 1}, ParseCase{"HexRejected", "0x10\r\n1\r\n", 0, 1},
        ParseCase{"HugeExponentOverflows", "1e400\r\n1\r\n", 0, 1},
        ParseCase{"TinyNegativeFloorsToMinusOne", "-1e-400\r\n0\r\n", -1, 0},
        ParseCase{"LongTinyFractionFloorsToMinusOne", "-0." + std::string(400, '0') + "1\r\n0\r\n", -1, 0},
        ParseCase{"SubnormalFloorsToZero", "4.9e-324\r\n0\r\n", 0, 0},
        ParseCase{"ZeroWithTinyExponentIsZero", "-0e-400\r\n0\r\n", 0, 0},
        ParseCase{"FractionJustBelowTheTopStillFits", "32767.99\r\n0\r\n", 32767, 0},
        ParseCase{"MoreDigitsThanADoubleHoldsStillFloorDown", "118.99999999999999999\r\n0\r\n", 118, 0}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.what); });

TEST(FormatSettingsTest, WritesOwnFormatByteForByte) {
  EXPECT_EQ(FormatSettings(119, 0), std::string(" 119 \r\n 0 \r\n", 12));
  EXPECT_EQ(FormatSettings(65, 1), std::string(" 65 \r\n 1 \r\n", 11));
  EXPECT_EQ(FormatSettings(-5, 0), "-5 \r\n 0 \r\n");
}

TEST(FormatSettingsTest, RoundTripsEveryHotKeyAndFlag) {
  for (int key : {-32768, -129, -1, 0, 1, 9, 119, 255, 256, 9999, 32767}) {
    for (int flag : {0, 1}) {
      const LoadedSettings loaded = ParseSettings(FormatSettings(static_cast<std::int16_t>(key), flag));
      EXPECT_EQ(loaded.hotKey, key);
      EXPECT_EQ(loaded.autoTray, flag) << "hot key " << key;
    }
  }
}

TEST(LoadSettingsTest, AbsentFileGivesDefaultsAndCreatesNothing) {
  FakePlatform platform;
  const LoadedSettings loaded = LoadSettings(platform, kAppDir);
  EXPECT_FALSE(loaded.found);
  EXPECT_EQ(loaded.hotKey, 119);
  EXPECT_EQ(loaded.autoTray, 0);
  EXPECT_TRUE(platform.writes.empty());
  EXPECT_TRUE(platform.files.empty());
  EXPECT_EQ(platform.calls, CallLog{"ProbeFile(C:\\Apps\\Quellaro\\config.ini)"});
}

TEST(LoadSettingsTest, ReadsConfigIniBesideTheExeEvenWhenTheProbeFails) {
  FakePlatform platform;
  platform.files[kConfigPath] = "112\r\n1\r\n";
  platform.probeFails = true;
  const LoadedSettings loaded = LoadSettings(platform, kAppDir);
  EXPECT_TRUE(loaded.found);
  EXPECT_EQ(loaded.hotKey, 112);
  EXPECT_EQ(loaded.autoTray, 1);
  EXPECT_EQ(platform.Count("ReadWholeFile(C:\\Apps\\Quellaro\\config.ini)"), 1u);

  platform.readFails = true;  // a file that cannot be opened reads as an empty one
  const LoadedSettings unreadable = LoadSettings(platform, kAppDir);
  EXPECT_EQ(unreadable.hotKey, 0);
  EXPECT_EQ(unreadable.autoTray, 0);
}

struct HeldCase {
  const char* what;
  int readsHeld;  // reads that find the file held by another program
  bool readFails;
  std::int16_t hotKey;
  bool unread;
  std::size_t reads;
  unsigned waitedMs;
};

void PrintTo(const HeldCase& c, std::ostream* out) { *out << c.what; }

class HeldFileTest : public ::testing::TestWithParam<HeldCase> {};

// A scanner or sync client holding config.ini for a moment at sign-in must
// not cost the settings of the whole session; a file that fails for another
// reason is not waited for.
TEST_P(HeldFileTest, AHeldFileIsReadOnceItIsLetGo) {
  const HeldCase& c = GetParam();
  FakePlatform platform;
  platform.files[kConfigPath] = " 116 \r\n 1 \r\n";
  platform.readsHeld = c.readsHeld;
  platform.readFails = c.readFails;
  const LoadedSettings loaded = LoadSettings(platform, kAppDir);
  EXPECT_EQ(loaded.hotKey, c.hotKey);
  EXPECT_EQ(loaded.unread, c.unread);
  EXPECT_EQ(platform.Count("ReadWholeFile(C:\\Apps\\Quellaro\\config.ini)"), c.reads);
  EXPECT_EQ(platform.waitedMs, c.waitedMs);
}

INSTANTIATE_TEST_SUITE_P(Reads, HeldFileTest,
                         ::testing::Values(HeldCase{"NotHeld", 0, false, 116, false, 1, 0},
                                           HeldCase{"HeldForAMoment", 3, false, 116, false, 4, 60},
                                           HeldCase{"HeldUntilTheLastTry", 10, false, 116, false, 11, 200},
                                           HeldCase{"HeldThroughout", 11, false, 0, true, 11, 200},
                                           HeldCase{"FailingOtherwise", 0, true, 0, true, 1, 0}),
                         [](const ::testing::TestParamInfo<HeldCase>& info) { return std::string(info.param.what); });

// A save cut off after any number of bytes, or failing at the final move,
// leaves the previous file exactly as it was and cleans up after itself.
TEST(SaveFileAtomicallyTest, ASaveCutOffAnywhereLeavesThePreviousFileIntact) {
  const std::string previous = " 116 \r\n 1 \r\n";
  const std::string next = FormatSettings(-32768, 0);
  const std::wstring temporary = std::wstring(kConfigPath) + L".tmp";
  for (std::size_t cut = 0; cut <= next.size(); ++cut) {
    FakePlatform platform;
    platform.files[kConfigPath] = previous;
    const bool complete = cut == next.size();
    if (!complete)
      platform.writeStopsAfter = cut;
    else
      platform.replaceFails = true;
    EXPECT_FALSE(SaveFileAtomically(platform, kConfigPath, next)) << "cut after " << cut;
    EXPECT_EQ(platform.files[kConfigPath], previous) << "cut after " << cut;
    EXPECT_EQ(platform.files.count(temporary), 0u) << "cut after " << cut;
  }

  FakePlatform platform;
  platform.files[kConfigPath] = previous;
  EXPECT_TRUE(SaveFileAtomically(platform, kConfigPath, next));
  EXPECT_EQ(platform.files[kConfigPath], next);
  EXPECT_EQ(platform.files.size(), 1u);
}

}  // namespace
}  // namespace quellaro::test
