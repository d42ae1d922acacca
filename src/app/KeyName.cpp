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

// Names for the codes above 127 of keys that type no character.
struct NamedKey {
  std::int16_t code;
  const wchar_t* name;
};
constexpr NamedKey kNamedKeys[] = {
    {0x90, L"NumLock"},        {0x91, L"ScrollLock"},
    {0xA0, L"LShift"},         {0xA1, L"RShift"},
    {0xA2, L"LCtrl"},          {0xA3, L"RCtrl"},
    {0xA4, L"LAlt"},           {0xA5, L"RAlt"},
    {0xA6, L"BrowserBack"},    {0xA7, L"BrowserForward"},
    {0xA8, L"BrowserRefresh"}, {0xA9, L"BrowserStop"},
    {0xAA, L"BrowserSearch"},  {0xAB, L"BrowserFavorites"},
    {0xAC, L"BrowserHome"},    {0xAD, L"VolumeMute"},
    {0xAE, L"VolumeDown"},     {0xAF, L"VolumeUp"},
    {0xB0, L"NextTrack"},      {0xB1, L"PrevTrack"},
    {0xB2, L"MediaStop"},      {0xB3, L"PlayPause"},
    {0xB4, L"Mail"},           {0xB5, L"MediaSelect"},
    {0xB6, L"App1"},           {0xB7, L"App2"},
    {0xE5, L"Process"},        {0xF6, L"Attn"},
    {0xF7, L"CrSel"},          {0xF8, L"ExSel"},
    {0xF9, L"EraseEOF"},       {0xFA, L"Play"},
    {0xFB, L"Zoom"},           {0xFD, L"PA1"},
    {0xFE, L"OemClear"},
};
constexpr std::int16_t kVkF24 = 135;

// The prefix followed by the decimal digits of a number that is not negative.
std::wstring Numbered(std::wstring prefix, int number) {
  const std::size_t end = prefix.size();
  do {
    prefix.insert(end, 1, static_cast<wchar_t>(L'0' + number % 10));
    number /= 10;
  } while (number != 0);
  return prefix;
}

// A code from 128 to 255 whose key types no character: F17 to F24, a name
// from the table, or else "Key" and the number.
std::wstring NameOfKeyAbove127(std::int16_t code) {
  if (code <= kVkF24) return Numbered(L"F", code - kVkF1 + 1);
  for (const NamedKey& key : kNamedKeys) {
    if (key.code == code) return key.name;
  }
  return Numbered(L"Key ", code);
}

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
  // On Chinese, Japanese and Korean Windows most codes above 127 (every
  // punctuation key among them) only start a double-byte character and
  // would show as "?". Such a key is named by what it types, or by name.
  if (code > 127 && code <= 255 && platform.IsAnsiLeadByte(static_cast<unsigned char>(code))) {
    const wchar_t typed = platform.KeyCharacter(code);
    return typed > L' ' ? std::wstring(1, typed) : NameOfKeyAbove127(code);
  }
  return platform.FromAnsi(KeyNameAnsi(code));
}

}  // namespace quellaro
