// The Print dialog's rules with numbers: a view of 800 x 600 screen pixels at 96 per inch and a
// printable rectangle of 720 x 960 (a portrait page).

#include "render/print_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/geo_settings.h"
#include "render/map_view.h"
#include "support/test_support.h"

namespace tlv {
namespace {

class PrintLayoutTest : public test::CoreTest {
 protected:
  PrintContext context_ = [] {
    PrintContext c;
    c.viewWidth = 800;
    c.viewHeight = 600;
    c.viewScale = 100000;
    c.k = 0.25;
    c.viewWorldHeight = 0.25 * 600 * 100000;  // k x height x scale
    c.screenPixelsPerInch = 96;
    c.printable = {24, 96, 744, 1056};
    return c;
  }();

  PrintLayout Specified() {
    return OpeningPrintLayout(PrintSizeChoice::kSpecify, kUnitMiles, context_);
  }
};

TEST_F(PrintLayoutTest, PrintableRectangleKeepsQuarterInchMarginsAndAnInchOnTop) {
  // Letter paper's drawable area at 600 dots per inch: 8.5 x 11 inches.
  const ScreenRect r = PrintablePageRect(5100, 6600, 600, 600, 96);
  EXPECT_EQ(r.left, 24);
  EXPECT_EQ(r.top, 96);
  EXPECT_EQ(r.right, 816 - 24);
  EXPECT_EQ(r.bottom, 1056 - 24);
  // Unequal resolutions convert each way by its own.
  const ScreenRect mixed = PrintablePageRect(2400, 6600, 300, 600, 96);
  EXPECT_EQ(mixed.left, 24);
  EXPECT_EQ(mixed.right, 768 - 24);
  EXPECT_EQ(mixed.top, 96);
  // Paper smaller than its margins prints nothing instead of an inverted rectangle.
  const ScreenRect tiny = PrintablePageRect(100, 100, 600, 600, 96);
  EXPECT_EQ(tiny.right, tiny.left);
  EXPECT_EQ(tiny.bottom, tiny.top);
  EXPECT_EQ(PrintablePageRect(5100, 6600, 0, 600, 96).right, 0);
}

TEST_F(PrintLayoutTest, OpeningValuesComeFromTheViewAndTheDistanceUnit) {
  const PrintLayout inches = Specified();
  EXPECT_EQ(inches.unit, kPrintUnitInches);
  EXPECT_DOUBLE_EQ(inches.width, 800.0 / 96);
  EXPECT_DOUBLE_EQ(inches.height, 600.0 / 96);
  EXPECT_EQ(inches.scale, 100000);
  EXPECT_EQ(inches.across, 2);  // 800 over 720
  EXPECT_EQ(inches.down, 1);
  for (int16_t metric : {kUnitMeters, kUnitKilometers}) {
    const PrintLayout cm = OpeningPrintLayout(PrintSizeChoice::kSpecify, metric, context_);
    EXPECT_EQ(cm.unit, kPrintUnitCentimetres);
    EXPECT_NEAR(cm.width, 800 / 96.0 * 2.54, 1e-9);
  }
  EXPECT_EQ(OpeningPrintLayout(PrintSizeChoice::kSpecify, kUnitFeet, context_).unit,
            kPrintUnitInches);
}

TEST_F(PrintLayoutTest, FitGives720By540OnOnePage) {
  PrintLayout layout = Specified();
  PrintLayoutFitToPage(layout, context_);
  EXPECT_EQ(layout.choice, PrintSizeChoice::kFitToPage);
  EXPECT_NEAR(PrintImageWidthPixels(layout, context_), 720, 1e-9);
  EXPECT_NEAR(PrintImageHeightPixels(layout, context_), 540, 1e-9);
  EXPECT_EQ(layout.across, 1);
  EXPECT_EQ(layout.down, 1);
  // 540 pixels show what 600 showed at 1:100,000.
  EXPECT_EQ(layout.scale, 111111);
  // A landscape page is limited by its height instead.
  context_.printable = {24, 96, 1056, 720};
  PrintLayoutFitToPage(layout, context_);
  EXPECT_NEAR(PrintImageHeightPixels(layout, context_), 624, 1e-9);
  EXPECT_NEAR(PrintImageWidthPixels(layout, context_), 832, 1e-9);
  // The fitted layout is what the dialog opens with after fit was chosen.
  const PrintLayout opened = OpeningPrintLayout(PrintSizeChoice::kFitToPage, kUnitMiles, context_);
  EXPECT_NEAR(PrintImageWidthPixels(opened, context_), 832, 1e-9);
  EXPECT_EQ(opened.across * opened.down, 1);
}

TEST_F(PrintLayoutTest, AWidthSetsTheHeightByProportionAndTheOtherWayRound) {
  PrintLayout layout = Specified();
  ASSERT_EQ(PrintLayoutSetWidth(layout, context_, 20), 0);
  EXPECT_DOUBLE_EQ(layout.height, 15);
  EXPECT_EQ(layout.across, 3);     // 1920 pixels over 720
  EXPECT_EQ(layout.down, 2);       // 1440 over 960
  EXPECT_EQ(layout.scale, 41667);  // 600 pixels of the view become 1440
  ASSERT_EQ(PrintLayoutSetHeight(layout, context_, 3), 0);
  EXPECT_DOUBLE_EQ(layout.width, 4);
  EXPECT_EQ(layout.across, 1);
  EXPECT_EQ(layout.down, 1);
}

TEST_F(PrintLayoutTest, AUnitSwitchKeepsTheNumbersAndReadsThemInTheNewUnit) {
  PrintLayout layout = Specified();
  ASSERT_EQ(PrintLayoutSetWidth(layout, context_, 10), 0);
  ASSERT_EQ(PrintLayoutSetUnit(layout, context_, kPrintUnitCentimetres), 0);
  EXPECT_DOUBLE_EQ(layout.width, 10);
  EXPECT_DOUBLE_EQ(layout.height, 7.5);
  EXPECT_NEAR(PrintImageWidthPixels(layout, context_), 10 * 96 / 2.54, 1e-9);
  EXPECT_EQ(layout.across, 1);  // 378 pixels fit one page now
  EXPECT_EQ(PrintLayoutSetUnit(layout, context_, 'X'), -1);
  EXPECT_EQ(layout.unit, kPrintUnitCentimetres);
}

TEST_F(PrintLayoutTest, AScaleSetsTheHeightFromTheViewsWorldRectangle) {
  PrintLayout layout = Specified();
  ASSERT_EQ(PrintLayoutSetScale(layout, context_, 50000), 0);
  // Twice as large: the view's 600 pixels of height become 1200.
  EXPECT_NEAR(PrintImageHeightPixels(layout, context_), 1200, 1e-9);
  EXPECT_NEAR(PrintImageWidthPixels(layout, context_), 1600, 1e-9);
  EXPECT_EQ(layout.scale, 50000);
  EXPECT_EQ(layout.across, 3);
  EXPECT_EQ(layout.down, 2);
  // Beyond the program's scales the scale is held at the end of the range.
  ASSERT_EQ(PrintLayoutSetScale(layout, context_, 1), 0);
  EXPECT_EQ(layout.scale, kMinScale);
}

TEST_F(PrintLayoutTest, SpecifyRoundsUpToWholePages) {
  PrintLayout layout = Specified();
  // 2.5 printable widths and one printable height.
  ASSERT_EQ(PrintLayoutSetWidth(layout, context_, 2.5 * 720 / 96), 0);
  PrintLayoutSpecify(layout, context_);
  EXPECT_EQ(layout.choice, PrintSizeChoice::kSpecify);
  EXPECT_EQ(layout.across, 3);
  EXPECT_EQ(layout.down, 2);  // 1350 pixels high
  // A view smaller than the printable rectangle takes exactly one page.
  ASSERT_EQ(PrintLayoutSetWidth(layout, context_, 2), 0);
  PrintLayoutSpecify(layout, context_);
  EXPECT_EQ(layout.across * layout.down, 1);
  // Exactly one printable width is one page, not two.
  ASSERT_EQ(PrintLayoutSetWidth(layout, context_, 720.0 / 96), 0);
  EXPECT_EQ(layout.across, 1);
}

TEST_F(PrintLayoutTest, BadNumbersKeepTheLastGoodValues) {
  PrintLayout layout = Specified();
  ASSERT_EQ(PrintLayoutSetWidth(layout, context_, 5), 0);
  const PrintLayout good = layout;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double bad : {0.0, -3.0, nan, inf}) {
    EXPECT_EQ(PrintLayoutSetWidth(layout, context_, bad), -1);
    EXPECT_EQ(PrintLayoutSetHeight(layout, context_, bad), -1);
    EXPECT_EQ(PrintLayoutSetScale(layout, context_, bad), -1);
    EXPECT_DOUBLE_EQ(layout.width, good.width);
    EXPECT_DOUBLE_EQ(layout.height, good.height);
    EXPECT_EQ(layout.scale, good.scale);
  }
  // A size far beyond paper still gives a bounded number of pages.
  ASSERT_EQ(PrintLayoutSetWidth(layout, context_, 1e12), 0);
  EXPECT_EQ(layout.across, kMaxPrintPagesOneWay);
  EXPECT_GE(layout.scale, kMinScale);
}

TEST(PagesFor, CeilingAtLeastOne) {
  EXPECT_EQ(PagesFor(0, 720), 1);
  EXPECT_EQ(PagesFor(1, 720), 1);
  EXPECT_EQ(PagesFor(720, 720), 1);
  EXPECT_EQ(PagesFor(721, 720), 2);
  EXPECT_EQ(PagesFor(1800, 720), 3);
  EXPECT_EQ(PagesFor(100, 0), 1);
}

}  // namespace
}  // namespace tlv
