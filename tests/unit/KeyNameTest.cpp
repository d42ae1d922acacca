#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>

#include "Fakes.h"
#include "app/KeyName.h"

namespace quellaro::test {
namespace {

struct NameCase {
  std::int16_t code;
  const wchar_t* name;       // cppcheck-suppress unusedStructMember ; read through GetParam()
  unsigned codePage = 1252;  // cppcheck-suppress unusedStructMember
};

void PrintTo(const NameCase& c, std::ostream* out) { *out << "code " << c.code << " in code page " << c.codePage; }

class KeyNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(KeyNameTest, NamesTheKey) {
  FakePlatform platform;
  platform.codePage = GetParam().codePage;
  EXPECT_EQ(KeyName(platform, GetParam().code), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Printable, KeyNameTest,
                         ::testing::Values(NameCase{111, L"o"}, NameCase{112, L"F1"}, NameCase{116, L"F5"},
                                           NameCase{123, L"F12"}, NameCase{124, L"|"}, NameCase{65, L"A"},
                                           NameCase{48, L"0"}, NameCase{96, L"`"}, NameCase{97, L"a"},
                                           NameCase{233, L"\u00e9"}, NameCase{0xBA, L"\u00ba"},
                                           NameCase{0x90, L"\u0090"}));

// Code page 936: the codes that are lead bytes name the key by what it types,
// or by name; every other code keeps its one character.
INSTANTIATE_TEST_SUITE_P(
    ChineseCodePage, KeyNameTest,
    ::testing::Values(NameCase{0xBA, L";", 936}, NameCase{0xBB, L"=", 936}, NameCase{0xBC, L",", 936},
                      NameCase{0xBF, L"/", 936}, NameCase{0xC0, L"`", 936}, NameCase{0xDE, L"'", 936},
                      NameCase{0xE2, L"\\", 936}, NameCase{0x90, L"NumLock", 936}, NameCase{0xA0, L"LShift", 936},
                      NameCase{0x81, L"F18", 936}, NameCase{0x87, L"F24", 936}, NameCase{0xDF, L"Key 223", 936},
                      NameCase{0xFE, L"OemClear", 936}, NameCase{0x80, L"\u20ac", 936}, NameCase{65, L"A", 936},
                      NameCase{116, L"F5", 936}, NameCase{13, L"Enter", 936}));

// Code page 65001, UTF-8 as the ANSI code page: no code above 127 is a
// character on its own, so each is named like a lead byte of 936.
INSTANTIATE_TEST_SUITE_P(
    Utf8CodePage, KeyNameTest,
    ::testing::Values(NameCase{0xBA, L";", 65001}, NameCase{0xBB, L"=", 65001}, NameCase{0xBC, L",", 65001},
                      NameCase{0xBD, L"-", 65001}, NameCase{0xBE, L".", 65001}, NameCase{0xBF, L"/", 65001},
                      NameCase{0xC0, L"`", 65001}, NameCase{0xDB, L"[", 65001}, NameCase{0xDC, L"\\", 65001},
                      NameCase{0xDD, L"]", 65001}, NameCase{0xDE, L"'", 65001}, NameCase{0xA1, L"RShift", 65001},
                      NameCase{0xA3, L"RCtrl", 65001}, NameCase{0xA5, L"RAlt", 65001},
                      NameCase{0x90, L"NumLock", 65001}, NameCase{0x80, L"F17", 65001}, NameCase{65, L"A", 65001},
                      NameCase{96, L"`", 65001}, NameCase{116, L"F5", 65001}, NameCase{256, L"", 65001}));

INSTANTIATE_TEST_SUITE_P(Invisible, KeyNameTest,
                         ::testing::Values(NameCase{13, L"Enter"}, NameCase{16, L"Shift"}, NameCase{17, L"Ctrl"},
                                           NameCase{18, L"Alt"}, NameCase{27, L"Esc"}, NameCase{9, L"Tab"},
                                           NameCase{32, L"Space"}, NameCase{8, L"Backspace"}, NameCase{20, L"CapsLock"},
                                           NameCase{0, L"None"}, NameCase{127, L"F16"}));

INSTANTIATE_TEST_SUITE_P(OutOfRange, KeyNameTest,
                         ::testing::Values(NameCase{-1, L""}, NameCase{256, L""}, NameCase{-32768, L""}));

TEST(KeyNameAnsiTest, FunctionKeysByNameEveryOtherCodeAsOneByte) {
  const std::pair<std::int16_t, std::string> cases[] = {
      {112, "F1"}, {117, "F6"}, {123, "F12"},  {111, "o"},    {124, "|"},    {0, std::string(1, '\0')},
      {13, "\r"},  {32, " "},   {127, "\x7f"}, {200, "\xc8"}, {255, "\xff"}, {-1, ""},
      {256, ""}};
  for (const auto& [code, name] : cases) EXPECT_EQ(KeyNameAnsi(code), name) << "code " << code;
}

}  // namespace
}  // namespace quellaro::test
