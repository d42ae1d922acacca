// config.ini: two lines beside the exe, the hotkey's virtual-key code and the
// start-in-tray flag, each printed as " 119 \r\n" (a minus sign instead of the
// leading space for negative values).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace quellaro {

inline constexpr std::int16_t kDefaultHotKey = 119;  // VK_F8
inline constexpr wchar_t kSettingsFileName[] = L"\\config.ini";

struct LoadedSettings {
  bool found = false;
  std::int16_t hotKey = 0;
  std::int16_t autoTray = 0;
  // A file is there whose settings were not read: another program held it,
  // a read failed, or it is hidden or system. The values are the loading
  // rules' all the same (0 and 0; the defaults for a hidden file).
  bool unread = false;
};

// The path of config.ini: the application directory plus "\config.ini".
std::wstring SettingsPath(const std::wstring& appDir);

// Reads config.ini. Never fails as a whole: every step that goes wrong is
// skipped and leaves its value at 0. A missing file gives the defaults, and
// so does a hidden or system one, which counts as missing. A file another
// program holds is tried again for about 200 ms before it counts as unread.
LoadedSettings LoadSettings(Platform& platform, const std::wstring& appDir);

// The loading rules applied to the file's bytes.
LoadedSettings ParseSettings(std::string_view bytes);

// The bytes SaveSettings writes.
std::string FormatSettings(std::int16_t hotKey, int checkValue);

// Writes a sibling file first and moves it over the old one in one step, so
// that a save cut off at any point leaves the previous file as it was. A
// replace that fails is tried again for about 200 ms. False when the file
// could not be replaced.
bool SaveFileAtomically(Platform& platform, const std::wstring& path, std::string_view bytes);

// Rewrites config.ini with the given values; false when it could not be written.
bool WriteSettings(Platform& platform, const std::wstring& appDir, std::int16_t hotKey, int checkValue);

// How both lines are read: the number the text spells, rounded down, when it
// fits a 16-bit signed integer. Blanks around it are ignored; the spelling is
// an optional sign, decimal digits with an optional fraction, and an optional
// exponent ("118.9", "-0.5", "1e2"). Anything else, empty text included, is
// no number. The value is taken exactly as written, with no rounding on the
// way, so 118.99999999999999999 reads as 118.
std::optional<std::int16_t> FloorOfNumber(std::string_view text);

}  // namespace quellaro
