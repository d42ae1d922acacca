// Screen colours compared as a person sees them: within a few steps per
// channel, because a display with fewer colours, or a window still fading
// in, shifts them slightly. A pixel that could not be read (GetPixel's
// CLR_INVALID, off the screen) fails both checks.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>

namespace e2e {

constexpr int kColourTolerance = 8;

// RGB(r, g, b), the way the code writes colours.
struct ColourText {
  COLORREF colour;
};
inline std::ostream& operator<<(std::ostream& out, ColourText text) {
  return out << "RGB(" << int{GetRValue(text.colour)} << ", " << int{GetGValue(text.colour)} << ", "
             << int{GetBValue(text.colour)} << ")";
}

// The largest difference between the two colours in any one channel.
inline int ColourDistance(COLORREF a, COLORREF b) {
  return std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                   std::abs(GetBValue(a) - GetBValue(b))});
}

[[nodiscard]] inline testing::AssertionResult ColourNear(COLORREF actual, COLORREF expected) {
  if (actual == CLR_INVALID) return testing::AssertionFailure() << "no pixel could be read there";
  if (ColourDistance(actual, expected) <= kColourTolerance) return testing::AssertionSuccess();
  return testing::AssertionFailure() << ColourText{actual} << ", more than " << kColourTolerance << " from "
                                     << ColourText{expected} << " in a channel";
}

[[nodiscard]] inline testing::AssertionResult ColourApart(COLORREF actual, COLORREF other) {
  if (actual == CLR_INVALID) return testing::AssertionFailure() << "no pixel could be read there";
  if (ColourDistance(actual, other) > kColourTolerance) return testing::AssertionSuccess();
  return testing::AssertionFailure() << ColourText{actual} << ", within " << kColourTolerance << " of "
                                     << ColourText{other};
}

}  // namespace e2e
