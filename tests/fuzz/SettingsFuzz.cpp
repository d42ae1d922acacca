// Arbitrary bytes as config.ini: loading must never crash, must give a hotkey
// that fits 16 bits and a flag of 0 or 1, and what is saved from those values
// must load back to the same values and bytes; a plain number on the first
// line reads as the C library reads it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/Settings.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using quellaro::FormatSettings;
  using quellaro::LoadedSettings;
  using quellaro::ParseSettings;

  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const LoadedSettings loaded = ParseSettings(bytes);
  Require(loaded.found);
  Require(loaded.autoTray == 0 || loaded.autoTray == 1);

  const std::string saved = FormatSettings(loaded.hotKey, loaded.autoTray);
  const LoadedSettings again = ParseSettings(saved);
  Require(again.hotKey == loaded.hotKey && again.autoTray == loaded.autoTray);
  Require(FormatSettings(again.hotKey, again.autoTray) == saved);

  // The first line against the C library's conversion to a double, wherever
  // that is close enough to decide: the text is a plain decimal spelling and
  // its value is not so near an integer that rounding to a double could
  // carry it across.
  std::string_view line = bytes.substr(0, bytes.find('\r'));
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  const bool plain = line.find_first_not_of("0123456789+-.eE") == std::string_view::npos &&
                     line.find_first_of("0123456789") != std::string_view::npos;
  if (plain) {
    const std::string text(line);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() + text.size() && std::fabs(value - std::nearbyint(value)) > 1e-6) {
      const auto ours = quellaro::FloorOfNumber(line);
      const double floored = std::floor(value);
      if (floored >= -32768 && floored <= 32767) {
        Require(ours && *ours == floored);
      } else {
        Require(!ours);
      }
    }
  }
  return 0;
}
