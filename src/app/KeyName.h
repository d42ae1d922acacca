// The text that names a hotkey in the key box.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace quellaro {

// The classic rule, as ANSI bytes: 112..123 are "F1".."F12"; every other code
// from 0 to 255 is the one character with that code in the ANSI code page.
// Codes outside 0..255 name no key and give an empty text.
std::string KeyNameAnsi(std::int16_t code);

// What the key box shows: KeyNameAnsi in the user's code page, except that
// keys whose character would be invisible (control characters, the space
// bar, DEL) are shown by a readable name such as "Enter" or "Space", and that
// where the code page has no single character for the code (the lead bytes
// of double-byte code pages such as 936, every code above 127 in UTF-8), the
// key's own character is shown, or a name such as "NumLock" for a key that
// types none.
std::wstring KeyName(Platform& platform, std::int16_t code);

}  // namespace quellaro
