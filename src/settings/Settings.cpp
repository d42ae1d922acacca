#include "settings/Settings.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace quellaro {
namespace {

// About 200 ms of retries in all.
constexpr int kReplaceRetries = 10;
constexpr unsigned kReplaceRetryMs = 20;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads one line the way the file was always read: a line ends at CR or at
// CR LF, never at a lone LF. Returns nothing at end of file.
std::optional<std::string_view> ReadLine(std::string_view bytes, std::size_t& pos) {
  if (pos >= bytes.size()) return std::nullopt;
  const std::size_t cr = bytes.find('\r', pos);
  const std::size_t end = cr == std::string_view::npos ? bytes.size() : cr;
  std::string_view line = bytes.substr(pos, end - pos);
  pos = end;
  if (pos < bytes.size()) {
    ++pos;  // the CR
    if (pos < bytes.size() && bytes[pos] == '\n') ++pos;
  }
  return line;
}

// floor() of the number, when it fits a 16-bit signed integer.
std::optional<std::int16_t> FloorToInt16(std::string_view text) {
  const std::optional<double> value = ParseNumber(text);
  if (!value) return std::nullopt;
  const double floored = std::floor(*value);
  if (floored < std::numeric_limits<std::int16_t>::min() || floored > std::numeric_limits<std::int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int16_t>(floored);
}

void AppendNumber(std::string& out, int value) {
  out += value < 0 ? '-' : ' ';
  long magnitude = value < 0 ? -static_cast<long>(value) : value;
  char digits[24];
  char* first = digits + sizeof(digits);
  do {
    *--first = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  out.append(first, digits + sizeof(digits));
  out += " \r\n";
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }

  // Validate the whole spelling first: strtod alone would accept "inf",
  // "nan" and hexadecimal forms.
  std::size_t i = 0;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exponentDigits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;

  // The program never changes its locale, so strtod reads '.' as the decimal
  // point, and it rounds correctly. (std::from_chars would do the same but
  // adds a third to the exe's size.)
  const std::string terminated(text);
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(terminated.c_str(), &end);
  if (end != terminated.c_str() + terminated.size()) return std::nullopt;
  if (errno == ERANGE && value < std::numeric_limits<double>::min()) {
    // Below a double's range: just above zero, so that floor() of a tiny
    // negative value is still -1. (Huge values are already infinite.)
    value = std::numeric_limits<double>::denorm_min();
  }
  return negative ? -value : value;
}

std::wstring SettingsPath(const std::wstring& appDir) { return appDir + kSettingsFileName; }

LoadedSettings ParseSettings(std::string_view bytes) {
  LoadedSettings result;
  result.found = true;

  std::size_t pos = 0;
  std::string_view s1;
  std::string_view s2;
  if (auto line = ReadLine(bytes, pos)) s1 = *line;
  if (auto line = ReadLine(bytes, pos)) s2 = *line;

  if (auto hotKey = FloorToInt16(s1)) result.hotKey = *hotKey;

  // Only 0 and 1 are flags; anything else, readable or not, means 0.
  const std::optional<std::int16_t> flag = FloorToInt16(s2);
  result.autoTray = (flag && *flag == 1) ? 1 : 0;
  return result;
}

LoadedSettings LoadSettings(Platform& platform, const std::wstring& appDir) {
  const std::wstring path = SettingsPath(appDir);
  if (platform.ProbeFile(path) == FileProbe::Absent) {
    return LoadedSettings{false, kDefaultHotKey, 0};
  }
  // A file that cannot be opened reads as an empty one: hotkey 0, flag 0.
  const std::optional<std::string> bytes = platform.ReadWholeFile(path);
  return ParseSettings(bytes ? std::string_view(*bytes) : std::string_view());
}

std::string FormatSettings(std::int16_t hotKey, int checkValue) {
  std::string out;
  AppendNumber(out, hotKey);
  AppendNumber(out, checkValue == 1 ? 1 : 0);
  return out;
}

bool SaveFileAtomically(Platform& platform, const std::wstring& path, std::string_view bytes) {
  const std::wstring temporary = path + L".tmp";
  if (platform.WriteNewFile(temporary, bytes)) {
    // Antivirus, search indexing or a sync client may hold the file open for
    // a moment; only a replace that keeps failing is a failed save.
    for (int attempt = 0;; ++attempt) {
      if (platform.MoveFileOver(temporary, path)) return true;
      if (attempt == kReplaceRetries) break;
      platform.Wait(kReplaceRetryMs);
    }
  }
  platform.RemoveFile(temporary);  // best effort: a leftover is overwritten by the next save
  return false;
}

bool WriteSettings(Platform& platform, const std::wstring& appDir, std::int16_t hotKey, int checkValue) {
  return SaveFileAtomically(platform, SettingsPath(appDir), FormatSettings(hotKey, checkValue));
}

}  // namespace quellaro
