// The scale bar's layout at 96 units per inch: the step chosen, the steps drawn, the labels, the
// counterpart bar, the fall-back to meters or feet, and the "1 in = ..." line.
#include "render/scale_bar.h"

#include <gtest/gtest.h>

#include "geometry/geo_settings.h"

namespace tlv {
namespace {

constexpr ScreenRect kArea{0, 0, 800, 600};
constexpr double kDpi = 96.0;

ScaleBarLayout Layout(int32_t scale, int16_t unit, bool both = false, bool inch = false) {
  ScaleBarOptions options;
  options.unit = unit;
  options.bothSystems = both;
  options.inchLine = inch;
  return LayOutScaleBar(kArea, kDpi, scale, options, 14);
}

TEST(ScaleBarTest, AtOneTo24000InFeetFiveStepsOf1000Feet) {
  const ScaleBarLayout layout = Layout(24000, kUnitFeet, false, true);
  ASSERT_EQ(layout.bars.size(), 1u);
  const ScaleBarLine& bar = layout.bars[0];
  // 2,500 feet would need exactly the usable 2.5 inches for two steps: not shorter, so 1,000.
  EXPECT_EQ(bar.step, 1000);
  EXPECT_EQ(bar.steps, 5);
  ASSERT_EQ(bar.ticks.size(), 6u);
  EXPECT_EQ(bar.ticks[0].label, "0");
  EXPECT_EQ(bar.ticks[1].label, "1000");
  EXPECT_EQ(bar.ticks[5].label, "5000 ft");
  // Half an inch (48 units) a step, from 0.15 inch (14 units) right of the box's left edge.
  EXPECT_EQ(bar.ticks[1].x - bar.ticks[0].x, 48);
  EXPECT_EQ(bar.ticks[0].x - (layout.box.left + 3), 14);
  EXPECT_EQ(layout.inchLine, "1 in = 2000 feet");
}

TEST(ScaleBarTest, TheBoxIsThreeInchesCentredOnItsDefaultPlaceAndGrownByThree) {
  const ScaleBarLayout layout = Layout(24000, kUnitMiles);
  EXPECT_EQ(layout.box.right - layout.box.left, 288 + 6);
  EXPECT_EQ(layout.box.bottom - layout.box.top, 29 + 6);  // 0.3 inch for one bar
  // The default place is 0.8 of the width and 0.7 of the height.
  EXPECT_EQ((layout.box.left + layout.box.right) / 2, 640);
  EXPECT_EQ((layout.box.top + layout.box.bottom) / 2, 420);
  // Two bars and the line: 0.25 inch per bar and two line heights.
  const ScaleBarLayout tall = Layout(24000, kUnitMiles, true, true);
  EXPECT_EQ(tall.box.bottom - tall.box.top, 48 + 28 + 6);
}

TEST(ScaleBarTest, TheSecondBarIsInTheOtherSystemBelowTheFirst) {
  const ScaleBarLayout layout = Layout(100000, kUnitMiles, true, false);
  ASSERT_EQ(layout.bars.size(), 2u);
  EXPECT_EQ(layout.bars[0].unit, kUnitMiles);
  EXPECT_EQ(layout.bars[1].unit, kUnitKilometers);
  EXPECT_GT(layout.bars[1].lineY, layout.bars[0].lineY);
  EXPECT_LT(layout.bars[0].labelY, layout.bars[0].lineY);  // labels above the primary bar
  EXPECT_GT(layout.bars[1].labelY, layout.bars[1].lineY);  // and below the second
  EXPECT_EQ(CounterpartUnit(kUnitFeet), kUnitMeters);
  EXPECT_EQ(CounterpartUnit(kUnitYards), kUnitMeters);
  EXPECT_EQ(CounterpartUnit(kUnitNauticalMiles), kUnitKilometers);
  EXPECT_EQ(CounterpartUnit(kUnitMeters), kUnitFeet);
  EXPECT_EQ(CounterpartUnit(kUnitKilometers), kUnitMiles);
}

TEST(ScaleBarTest, TooCloseForTheSmallestStepFallsBackToMetersThenToNothing) {
  // At 1:10 not even 0.1 km fits: the bar is drawn in meters, with 0.25 m steps.
  const ScaleBarLayout km = Layout(10, kUnitKilometers);
  ASSERT_EQ(km.bars.size(), 1u);
  EXPECT_EQ(km.bars[0].unit, kUnitMeters);
  EXPECT_EQ(km.bars[0].ticks[1].label, "0.25");
  EXPECT_EQ(km.bars[0].ticks.back().label.substr(km.bars[0].ticks.back().label.size() - 2), " m");
  // At 1:3 two steps of 0.1 m take 2.6 inches: kilometers, then meters, then no bar.
  EXPECT_TRUE(Layout(3, kUnitKilometers).bars.empty());
  EXPECT_TRUE(Layout(3, kUnitMeters).bars.empty());
  // Miles fall back to feet.
  const ScaleBarLayout miles = Layout(5, kUnitMiles);
  ASSERT_EQ(miles.bars.size(), 1u);
  EXPECT_EQ(miles.bars[0].unit, kUnitFeet);
}

TEST(ScaleBarTest, TheInchLineTakesItsDecimalsFromTheLength) {
  EXPECT_EQ(Layout(100, kUnitFeet, false, true).inchLine, "1 in = 8.333 feet");
  EXPECT_EQ(Layout(1000, kUnitFeet, false, true).inchLine, "1 in = 83.33 feet");
  EXPECT_EQ(Layout(2000, kUnitFeet, false, true).inchLine, "1 in = 166.7 feet");
  EXPECT_EQ(Layout(250000, kUnitKilometers, false, true).inchLine, "1 cm = 2.500 kilometers");
}

}  // namespace
}  // namespace tlv
