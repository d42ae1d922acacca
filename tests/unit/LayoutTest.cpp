#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/Layout.h"

namespace quellaro {

// Found by argument-dependent lookup, so beside PixelRect.
bool operator==(const PixelRect& a, const PixelRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::ostream& operator<<(std::ostream& out, const PixelRect& r) {
  return out << r.left << "," << r.top << "-" << r.right << "," << r.bottom;
}

namespace {

TEST(LayoutTest, TwipsScaleWithDpiRoundedToNearestPixel) {
  struct Case {
    int twips, dpi, pixels;
  };
  for (const Case& c : {Case{4260, 96, 284}, Case{4260, 120, 355}, Case{4260, 144, 426}, Case{1305, 96, 87},
                        Case{7, 96, 0}, Case{8, 96, 1}, Case{0, 144, 0}}) {
    EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi << " DPI";
  }
}

TEST(LayoutTest, WindowsOpenOnTheirMonitorsWorkArea) {
  struct Case {
    const char* what;
    PixelRect window, area, expected;
  };
  const PixelRect screen{0, 0, 1024, 768};
  const PixelRect leftMonitor{-1920, 0, 0, 1040};  // beside the primary, with negative coordinates
  for (const Case& c : {
           Case{"fits: stays", {477, 284, 767, 396}, screen, {477, 284, 767, 396}},
           Case{"144 DPI on 1024 x 768: moved in from the right", {717, 426, 1149, 596}, screen, {592, 426, 1024, 596}},
           Case{"below the work area: moved up", {100, 700, 400, 800}, screen, {100, 668, 400, 768}},
           Case{"off the left monitor's left edge", {-2000, 100, -1700, 200}, leftMonitor, {-1920, 100, -1620, 200}},
           Case{"larger than the area: top-left corner inside", {-50, -50, 1100, 900}, screen, {0, 0, 1150, 950}},
       }) {
    EXPECT_EQ(KeepInside(c.window, c.area), c.expected) << c.what;
  }
  EXPECT_EQ(CentredIn(473, 180, PixelRect{1920, 0, 3840, 1040}), (PixelRect{2643, 430, 3116, 610}));
  EXPECT_EQ(CentredIn(473, 180, leftMonitor), (PixelRect{-1197, 430, -724, 610}));
}

TEST(LayoutTest, ControlsInTabOrderFitTheClientAreaWithoutOverlapping) {
  std::vector<std::string> names;
  for (const auto& control : kMainControls) names.emplace_back(control.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Text1", "cmdSetKey", "cmdMini", "CbAuto", "Command1", "LbQQ"}));
  for (const auto& a : kMainControls) {
    EXPECT_GE(a.left, 0) << a.name;
    EXPECT_LE(a.left + a.width, kMainClientWidth) << a.name;
    // Only the credit line's box may reach below the client area.
    if (a.id != kIdLbQQ) {
      EXPECT_LE(a.top + a.height, kMainClientHeight) << a.name;
    }
    for (const auto& b : kMainControls) {
      if (&a == &b) continue;
      const bool apart = a.left + a.width <= b.left || b.left + b.width <= a.left || a.top + a.height <= b.top ||
                         b.top + b.height <= a.top;
      EXPECT_TRUE(apart) << a.name << " overlaps " << b.name;
    }
  }
}

}  // namespace
}  // namespace quellaro
