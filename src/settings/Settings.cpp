#include "settings/Settings.h"

#include <limits>

namespace quellaro {
namespace {

// About 200 ms of retries in all.
constexpr int kHeldFileRetries = 10;
constexpr unsigned kHeldFileRetryMs = 20;

// Exponents beyond this make every number with a digit other than 0 too
// large or too small alike; reading stops growing them there.
constexpr long long kExponentLimit = 1000000000;

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

// Antivirus, search indexing or a sync client may hold the file open for a
// moment: `attempt` is tried again for about 200 ms until it says it is done.
template <typename Attempt>
bool Patiently(Platform& platform, Attempt attempt) {
  for (int retry = 0;; ++retry) {
    if (attempt()) return true;
    if (retry == kHeldFileRetries) return false;
    platform.Wait(kHeldFileRetryMs);
  }
}

}  // namespace

std::optional<std::int16_t> FloorOfNumber(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }

  // The spelling: digits with an optional fraction, then an optional exponent.
  std::size_t i = 0;
  while (i < text.size() && IsDigit(text[i])) ++i;
  const std::string_view whole = text.substr(0, i);
  std::string_view fraction;
  if (i < text.size() && text[i] == '.') {
    const std::size_t first = ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    fraction = text.substr(first, i - first);
  }
  if (whole.empty() && fraction.empty()) return std::nullopt;
  long long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    const std::size_t first = i;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      if (exponent < kExponentLimit) exponent = exponent * 10 + (text[i] - '0');
    }
    if (i == first) return std::nullopt;
    if (negativeExponent) exponent = -exponent;
  }
  if (i != text.size()) return std::nullopt;

  // Exact decimal arithmetic on the digits, no rounding to a double first:
  // the value is 0.DIGITS times ten to the power `point`, where DIGITS are
  // the whole part's and the fraction's digits without leading zeros.
  const std::size_t count = whole.size() + fraction.size();
  const auto digitAt = [&](std::size_t k) { return k < whole.size() ? whole[k] : fraction[k - whole.size()]; };
  std::size_t first = 0;
  while (first < count && digitAt(first) == '0') ++first;
  if (first == count) return std::int16_t{0};  // zero, whatever its sign and exponent
  const long long point = static_cast<long long>(whole.size()) - static_cast<long long>(first) + exponent;
  if (point > 5) return std::nullopt;  // at least 100000

  long magnitude = 0;  // the whole part
  bool hasFraction = false;
  for (std::size_t k = first; k < count; ++k) {
    if (static_cast<long long>(k - first) < point) {
      magnitude = magnitude * 10 + (digitAt(k) - '0');
    } else if (digitAt(k) != '0') {
      hasFraction = true;
      break;
    }
  }
  for (long long k = static_cast<long long>(count - first); k < point; ++k) magnitude *= 10;  // zeros of the exponent
  const long floored = negative ? -magnitude - (hasFraction ? 1 : 0) : magnitude;
  if (floored < std::numeric_limits<std::int16_t>::min() || floored > std::numeric_limits<std::int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int16_t>(floored);
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

  if (auto hotKey = FloorOfNumber(s1)) result.hotKey = *hotKey;

  // Only 0 and 1 are flags; anything else, readable or not, means 0.
  const std::optional<std::int16_t> flag = FloorOfNumber(s2);
  result.autoTray = (flag && *flag == 1) ? 1 : 0;
  return result;
}

LoadedSettings LoadSettings(Platform& platform, const std::wstring& appDir) {
  const std::wstring path = SettingsPath(appDir);
  const FileProbe probe = platform.ProbeFile(path);
  if (probe == FileProbe::Absent || probe == FileProbe::Hidden) {
    return LoadedSettings{false, kDefaultHotKey, 0, probe == FileProbe::Hidden};
  }
  FileRead read;
  Patiently(platform, [&] {
    read = platform.ReadWholeFile(path);
    return read.outcome != FileRead::Outcome::Held;
  });
  // A file that cannot be read reads as an empty one: hotkey 0, flag 0.
  if (read.outcome != FileRead::Outcome::Read) {
    LoadedSettings unread = ParseSettings(std::string_view());
    unread.unread = true;
    return unread;
  }
  return ParseSettings(read.bytes);
}

std::string FormatSettings(std::int16_t hotKey, int checkValue) {
  std::string out;
  AppendNumber(out, hotKey);
  AppendNumber(out, checkValue == 1 ? 1 : 0);
  return out;
}

bool SaveFileAtomically(Platform& platform, const std::wstring& path, std::string_view bytes) {
  const std::wstring temporary = path + L".tmp";
  // Only a replace that keeps failing is a failed save.
  if (platform.WriteNewFile(temporary, bytes) &&
      Patiently(platform, [&] { return platform.MoveFileOver(temporary, path); })) {
    return true;
  }
  platform.RemoveFile(temporary);  // best effort: a leftover is overwritten by the next save
  return false;
}

bool WriteSettings(Platform& platform, const std::wstring& appDir, std::int16_t hotKey, int checkValue) {
  return SaveFileAtomically(platform, SettingsPath(appDir), FormatSettings(hotKey, checkValue));
}

}  // namespace quellaro
