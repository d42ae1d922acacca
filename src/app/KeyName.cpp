#include "app/KeyName.h"

#include <iterator>

namespace quellaro {
namespace {

constexpr std::int16_t kVkF1 = 112;
constexpr std::int16_t kVkF12 = 123;
constexpr std::int16_t kVkSpace = 32;
constexpr std::int16_t kVkF16 = 127;                  // its character would be DEL
constexpr wchar_t kReplacementCharacter = L'\uFFFD';  // what a conversion gives for a byte it cannot convert

// Readable names for the codes 0..32 whose characters are invisible. The
// names are ASCII, kept as bytes: half the room of wide strings.
constexpr const char* kInvisibleKeyNames[] = {
    "None", "LButton", "RButton",    "Cancel", "MButton",    "XButton1", "XButton2", "Key 7", "Backspace",
    "Tab",  "Key 10",  "Key 11",     "Clear",  "Enter",      "Key 14",   "Key 15",   "Shift", "Ctrl",
    "Alt",  "Pause",   "CapsLock",   "Kana",   "Key 22",     "Junja",    "Final",    "Kanji", "Key 26",
    "Esc",  "Convert", "NonConvert", "Accept", "ModeChange", "Space",
};
static_assert(sizeof(kInvisibleKeyNames) / sizeof(kInvisibleKeyNames[0]) == kVkSpace + 1);

// Names for the codes above 127 of keys that type no character.
struct NamedKey {
  std::int16_t code;
  const char* name;
};
constexpr NamedKey kNamedKeys[] = {
    {0x90, "NumLock"},        {0x91, "ScrollLock"},
    {0xA0, "LShift"},         {0xA1, "RShift"},
    {0xA2, "LCtrl"},          {0xA3, "RCtrl"},
    {0xA4, "LAlt"},           {0xA5, "RAlt"},
    {0xA6, "BrowserBack"},    {0xA7, "BrowserForward"},
    {0xA8, "BrowserRefresh"}, {0xA9, "BrowserStop"},
    {0xAA, "BrowserSearch"},  {0xAB, "BrowserFavorites"},
    {0xAC, "BrowserHome"},    {0xAD, "VolumeMute"},
    {0xAE, "VolumeDown"},     {0xAF, "VolumeUp"},
    {0xB0, "NextTrack"},      {0xB1, "PrevTrack"},
    {0xB2, "MediaStop"},      {0xB3, "PlayPause"},
    {0xB4, "Mail"},           {0xB5, "MediaSelect"},
    {0xB6, "App1"},           {0xB7, "App2"},
    {0xE5, "Process"},        {0xF6, "Attn"},
    {0xF7, "CrSel"},          {0xF8, "ExSel"},
    {0xF9, "EraseEOF"},       {0xFA, "Play"},
    {0xFB, "Zoom"},           {0xFD, "PA1"},
    {0xFE, "OemClear"},
};
constexpr std::int16_t kVkF24 = 135;

std::wstring Widen(const char* ascii) { return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii)); }

// The prefix followed by the decimal digits of a number that is not negative.
std::wstring Numbered(const char* prefix, int number) {
  wchar_t digits[8];
  wchar_t* first = std::end(digits);
  do {
    *--first = static_cast<wchar_t>(L'0' + number % 10);
    number /= 10;
  } while (number != 0);
  return Widen(prefix).append(first, std::end(digits));
}

// A code from 128 to 255 whose key types no character: F17 to F24, a name
// from the table, or else "Key" and the number.
std::wstring NameOfKeyAbove127(std::int16_t code) {
  if (code <= kVkF24) return Numbered("F", code - kVkF1 + 1);
  for (const NamedKey& key : kNamedKeys) {
    if (key.code == code) return Widen(key.name);
  }
  return Numbered("Key ", code);
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
  if (code >= 0 && code <= kVkSpace) return Widen(kInvisibleKeyNames[code]);
  if (code == kVkF16) return L"F16";
  if (code <= 127 || code > 255) return platform.FromAnsi(KeyNameAnsi(code));
  // On Chinese, Japanese and Korean Windows most codes above 127 (every
  // punctuation key among them) only start a double-byte character and
  // would show as "?"; with UTF-8 as the ANSI code page (65001) no byte
  // above 127 is a character on its own, and each converts to U+FFFD. Where
  // the code page gives no one character, the key is named by what it
  // types, or by name.
  if (!platform.IsAnsiLeadByte(static_cast<unsigned char>(code))) {
    std::wstring character = platform.FromAnsi(KeyNameAnsi(code));
    if (character.size() == 1 && character[0] != kReplacementCharacter) return character;
  }
  const wchar_t typed = platform.KeyCharacter(code);
  return typed > L' ' ? std::wstring(1, typed) : NameOfKeyAbove127(code);
}

}  // namespace quellaro
