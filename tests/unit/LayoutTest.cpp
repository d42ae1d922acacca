#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Layout.h"

namespace quellaro {
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
