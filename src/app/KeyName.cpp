#include "app/KeyName.h"

namespace quellaro {
namespace {

constexpr std::int16_t kVkF1 = 112;
constexpr std::int16_t kVkF12 = 123;
constexpr std::int16_t kVkSpace = 32;
constexpr std::int16_t kVkF16 = 127;  // its character would be DEL

// Readable names for the codes 0..32 whose characters are invisible.
constexpr const wchar_t* kInvisibleKeyNames[] = {
    L"None", L"LButton", L"RButton",    L"Cancel", L"MButton",    L"XButton1", L"XButton2", L"Key 7", L"Backspace",
    L"Tab",  L"Key 10",  L"Key 11",     L"Clear",  L"Enter",      L"Key 14",   L"Key 15",   L"Shift", L"Ctrl",
    L"Alt",  L"Pause",   L"CapsLock",   L"Kana",   L"Key 22",     L"Junja",    L"Final",    L"Kanji", L"Key 26",
    L"Esc",  L"Convert", L"NonConvert", L"Accept", L"ModeChange", L"Space",
};
static_assert(sizeof(kInvisibleKeyNames) / sizeof(kInvisibleKeyNames[0]) == kVkSpace + 1);

}  // namespace

std::string KeyNameAnsi(std::int16_t code) {
  if (code >= kVkF1 && code <= kVkF12) {
    const int number = code - kVkF1 + 1;
    std::string name = "F";
    if (number >= 10) name += '1';
    name += static_cast<char>('0' + number % 10);
    return name;
  }
  if (code < 0 || code > 255) return std::string();
  return std::string(1, static_cast<char>(static_cast<unsigned char>(code)));
}

std::wstring KeyName(Platform& platform, std::int16_t code) {
  if (code >= 0 && code <= kVkSpace) return kInvisibleKeyNames[code];
  if (code == kVkF16) return L"F16";
  return platform.FromAnsi(KeyNameAnsi(code));
}

}  // namespace quellaro
