// Arbitrary bytes as config.ini: loading must never crash, must give a hotkey
// that fits 16 bits and a flag of 0 or 1, and what is saved from those values
// must load back to the same values and bytes.
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

  // "nan" is no number, and no spelling may sneak one past the parser.
  const std::string_view firstLine = bytes.substr(0, bytes.find('\r'));
  if (const auto number = quellaro::ParseNumber(firstLine)) Require(!std::isnan(*number));
  return 0;
}
