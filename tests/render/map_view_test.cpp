#include "render/map_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "geometry/geo_settings.h"
#include "geometry/segments.h"
#include "geometry/wrect.h"
#include "support/test_support.h"

namespace tlv {
namespace {

// The numbers below are worked out for a 400 x 300 pixel map area at 96 pixels per inch:
// k = 1e6 / (96 x 69.0459911616 x 63360) = 0.0023810862660321, so at 1:1,000,000 the view is
// floor(k x 300 x 1e6 + 0.5) = 714326 units high and, on the equator, floor(k x 400 x 1e6 + 0.5)
// = 952435 units wide.
constexpr ScreenRect kArea{40, 40, 440, 340};

class MapViewTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    ResetGeometrySettings();
    ResetMapView();
    SetMapArea(kArea);
  }
  void TearDown() override {
    ResetMapView();
    ResetGeometrySettings();
    test::CoreTest::TearDown();
  }
  static void ExpectView(int32_t scale, int32_t left, int32_t top) {
    EXPECT_EQ(CurrentMapView().scale, scale);
    EXPECT_EQ(CurrentMapView().left, left);
    EXPECT_EQ(CurrentMapView().top, top);
  }
};

TEST_F(MapViewTest, ScaleIsClampedIntoItsRange) {
  SetView(100, 100000000, 100000000);
  EXPECT_EQ(CurrentMapView().scale, 500);
  SetView(300000000, 100000000, 100000000);
  EXPECT_EQ(CurrentMapView().scale, 262144000);
  CentreViewOn(-7, 180000000, 90000000);
  EXPECT_EQ(CurrentMapView().scale, 500);
}

TEST_F(MapViewTest, EmptyMapAreaLeavesTheViewAlone) {
  SetView(24000, 100000000, 100000000);
  int runs = 0;
  SetMapViewHooks(MapViewHooks{[&] { ++runs; }, nullptr, nullptr});
  SetMapArea(ScreenRect{40, 40, 440, 40});
  SetView(50000, 1, 2);
  CentreViewOn(50000, 1, 2);
  EXPECT_EQ(FitWorldRect(WRect{0, 0, 1000, 1000}), 0);
  ExpectView(24000, 100000000, 100000000);
  EXPECT_EQ(runs, 0);
}

TEST_F(MapViewTest, CentreViewOnTheEquator) {
  CentreViewOn(1000000, 180000000, 90000000);
  // left = 180e6 - 952435 / 2, top = 90e6 + 714326 / 2.
  ExpectView(1000000, 179523783, 90357163);
  EXPECT_EQ(ViewWorldRect(), (WRect{179523783, 89642837, 180476218, 90357163}));
}

TEST_F(MapViewTest, LatitudeSixtyDoublesTheWidth) {
  CentreViewOn(1000000, 180000000, 90000000);
  const WRect equator = ViewWorldRect();
  CentreViewOn(1000000, 180000000, 150000000);
  const WRect sixty = ViewWorldRect();
  EXPECT_EQ(equator.x2 - equator.x1, 952435);
  // floor(k x 400 x 1e6 / cos 60 + 0.5): twice the equator's width before rounding.
  EXPECT_EQ(sixty.x2 - sixty.x1, 1904869);
  EXPECT_EQ(sixty.y2 - sixty.y1, equator.y2 - equator.y1);
}

TEST_F(MapViewTest, ZoomInCentresOnTheClickAndHalvesTheScale) {
  CentreViewOn(1000000, 180000000, 90000000);
  // The middle pixel (240, 190) is world (180000001, 90000000); at 1:500,000 the view is
  // 357163 high and 476217 wide.
  ZoomAtClick(ScreenPoint{240, 190}, ZoomDirection::kIn);
  ExpectView(500000, 179761893, 90178581);
  EXPECT_EQ(platform().beeps, 0);
}

TEST_F(MapViewTest, ZoomLimitsBeep) {
  CentreViewOn(500, 180000000, 90000000);
  ZoomAtClick(ScreenPoint{240, 190}, ZoomDirection::kIn);
  EXPECT_EQ(CurrentMapView().scale, 500);
  EXPECT_EQ(platform().beeps, 1);

  CentreViewOn(262144000, 180000000, 90000000);
  ZoomAtClick(ScreenPoint{240, 190}, ZoomDirection::kOut);
  EXPECT_EQ(CurrentMapView().scale, 262144000);
  EXPECT_EQ(platform().beeps, 2);

  // At latitude 80 the widest view is about 1.44e9 units across: zooming out stops before it
  // moves the view at all.
  CentreViewOn(262144000, 180000000, 170000000);
  const MapView before = CurrentMapView();
  ZoomAtClick(ScreenPoint{40, 40}, ZoomDirection::kOut);
  ExpectView(before.scale, before.left, before.top);
  EXPECT_EQ(platform().beeps, 3);
}

TEST_F(MapViewTest, ViewCentreStaysInsideTheWorld) {
  SetView(1000000, -1000000000, 90000000);
  WRect r = ViewWorldRect();
  EXPECT_LE(std::abs((int64_t{r.x1} + r.x2) / 2), 1);
  SetView(1000000, 100000000, 900000000);
  r = ViewWorldRect();
  EXPECT_LE(std::abs((int64_t{r.y1} + r.y2) / 2 - 180000000), 1);
}

TEST_F(MapViewTest, ConstrainViewBringsEdgesBack) {
  SetView(1000000, -5000000, 100000000);
  ConstrainView();
  EXPECT_EQ(CurrentMapView().left, 0);
  SetView(1000000, 100000000, 180200000);
  ConstrainView();
  EXPECT_EQ(CurrentMapView().top, 180000000);
  EXPECT_EQ(CurrentMapView().left, 100000000);
}

TEST_F(MapViewTest, ScrollByHalfTheMapArea) {
  CentreViewOn(1000000, 180000000, 90000000);
  ScrollHalfWindow(ScrollDirection::kRight);
  EXPECT_EQ(CurrentMapView().left, 179523783 + 476217);
  ScrollHalfWindow(ScrollDirection::kUp);
  EXPECT_EQ(CurrentMapView().top, 90357163 + 357163);
}

TEST_F(MapViewTest, FitWorldRect) {
  // 714326 units high is exactly the height of the view at 1:1,000,000.
  ASSERT_EQ(FitWorldRect(WRect{179000000, 89000000, 179500000, 89714326}), 0);
  ExpectView(1000000, 179000000, 89714326);

  // A single point is shown at the largest scale, centred.
  ASSERT_EQ(FitWorldRect(WRect{200000000, 100000000, 200000000, 100000000}), 0);
  EXPECT_EQ(CurrentMapView().scale, 500);
  const WPoint c = WRectCentre(ViewWorldRect());
  EXPECT_LE(std::abs(c.x - 200000000), 1);
  EXPECT_LE(std::abs(c.y - 100000000), 1);

  // The whole world needs 1:377,978,746 across; the scale stops at the limit.
  ASSERT_EQ(FitWorldRect(kWorldWRect), 0);
  EXPECT_EQ(CurrentMapView().scale, 262144000);

  // A flat, wide rectangle is shown whole.
  const WRect wide{100000000, 89000000, 200000000, 89100000};
  ASSERT_EQ(FitWorldRect(wide), 0);
  EXPECT_TRUE(WRectInWRect(wide, ViewWorldRect()));

  const MapView before = CurrentMapView();
  EXPECT_EQ(FitWorldRect(kEmptyWRect), -1);
  ExpectView(before.scale, before.left, before.top);
}

TEST_F(MapViewTest, MapAreaAndPixelMargins) {
  EXPECT_EQ(MapAreaForClient(800, 600), (ScreenRect{40, 40, 800, 560}));
  EXPECT_EQ(MapAreaForClient(30, 60), (ScreenRect{40, 40, 40, 40}));
  // At 1:1,000,000 a pixel is 2381.086 world units: 10 pixels round to 23811.
  SetView(1000000, 100000000, 100000000);
  Handle segs = nullptr;
  ASSERT_EQ(ViewWRectSegments(WRect{1000000, 1000000, 2000000, 2000000}, 10, segs), 0);
  ScopedHandle owned(segs);
  HandleArray<Segment> s(segs);
  ASSERT_EQ(s.Count(), 4);
  EXPECT_EQ(s.Get(0), (Segment{976189, 976189, 976189, 2023811}));
}

TEST_F(MapViewTest, ClickPointIsKeptInsideTheView) {
  SetClickPoint(WPoint{10, 10});
  CentreViewOn(1000000, 180000000, 90000000);
  // The centre of {179523783, 89642837, 180476218, 90357163}.
  EXPECT_EQ(ClickPoint(), (WPoint{180000000, 90000000}));
  SetClickPointFromScreen(ScreenPoint{40, 340});
  EXPECT_EQ(ClickPoint(), (WPoint{179523783, 89642837}));
  ScrollHalfWindow(ScrollDirection::kLeft);
  EXPECT_EQ(ClickPoint(), (WPoint{179523783, 89642837}));
  CentreOnClickPoint();
  EXPECT_EQ(WRectCentre(ViewWorldRect()), (WPoint{179523783, 89642837}));
}

TEST_F(MapViewTest, AfterChangeStepsRunInOrderAfterTheClickPointMoves) {
  std::vector<std::string> calls;
  bool clickInside = false;
  SetMapViewHooks(MapViewHooks{[&] {
                                 calls.push_back("reference");
                                 clickInside = WPointInWRect(ClickPoint(), ViewWorldRect());
                               },
                               [&] { calls.push_back("displays"); },
                               [&] { calls.push_back("layout"); }});
  SetClickPoint(WPoint{1, 1});
  SetScaleKeepCentre(48000);
  EXPECT_EQ(calls, (std::vector<std::string>{"reference", "displays", "layout"}));
  EXPECT_TRUE(clickInside);
}

TEST_F(MapViewTest, ScaleTextsInTheThreeModes) {
  EXPECT_EQ(FormatScale(24000, kScaleAsRatio), "1:24000");
  EXPECT_EQ(FormatScale(158400, kScaleAsPaperUnit), "1 in = 2.50 mi");
  // 262144000 / 63360 = 4137.37: seven characters, cut at the decimal point.
  EXPECT_EQ(FormatScale(262144000, kScaleAsPaperUnit), "1 in = 4137 mi");
  SetDistanceUnitSetting(kUnitMeters);
  EXPECT_EQ(FormatScale(24000, kScaleAsPaperUnit), "1 cm = 240 m");
  // 10000 x 0.01 m x 400 pixels / (96 / 2.54 pixels per cm) = 1058.33.
  EXPECT_EQ(FormatScale(10000, kScaleAsWindowWidth), "1058 meters");
  SetDistanceUnitSetting(kUnitKilometers);
  EXPECT_EQ(FormatScale(24000, kScaleAsPaperUnit), "1 cm = 0.24 km");
  SetDistanceUnitSetting(kUnitFeet);
  EXPECT_EQ(FormatScale(100000, kScaleAsPaperUnit), "1 in = 8333 ft");
  SetDistanceUnitSetting(kUnitNauticalMiles);
  EXPECT_EQ(FormatScale(1000000, kScaleAsPaperUnit), "1 in = 13.71 nm");
  SetDistanceUnitSetting(kUnitMiles);
  // 63360 / 63360 x 400 / 96 = 4.1667 miles across the map area.
  EXPECT_EQ(FormatScale(63360, kScaleAsWindowWidth), "4.17 miles");
  EXPECT_EQ(FormatScale(63360, kScaleAsWindowWidth, false), "1 in = 1.00 mi");
  SetScaleDisplayModeSetting(kScaleAsPaperUnit);
  EXPECT_EQ(FormatScale(158400), "1 in = 2.50 mi");
}

TEST_F(MapViewTest, ParseScaleInvertsTheTexts) {
  int32_t scale = 0;
  ASSERT_EQ(ParseScale(24000.4, kScaleAsRatio, scale), 0);
  EXPECT_EQ(scale, 24000);
  ASSERT_EQ(ParseScale(2.5, kScaleAsPaperUnit, scale), 0);
  EXPECT_EQ(scale, 158400);
  ASSERT_EQ(ParseScale(4.1666666667, kScaleAsWindowWidth, scale), 0);
  EXPECT_EQ(scale, 63360);
  SetDistanceUnitSetting(kUnitMeters);
  ASSERT_EQ(ParseScale(240, kScaleAsPaperUnit, scale), 0);
  EXPECT_EQ(scale, 24000);
  scale = 77;
  EXPECT_EQ(ParseScale(std::numeric_limits<double>::quiet_NaN(), kScaleAsRatio, scale), -1);
  EXPECT_EQ(ParseScale(std::numeric_limits<double>::infinity(), kScaleAsRatio, scale), -1);
  EXPECT_EQ(scale, 77);
}

TEST_F(MapViewTest, BadResolutionsNeverReachTheView) {
  SetScreenPixelsPerInch(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(ScreenPixelsPerInch(), 96.0);
  // A resolution of a thousandth of a pixel per inch makes every view enormous: held, not wrapped.
  SetScreenPixelsPerInch(0.001);
  CentreViewOn(262144000, 180000000, 179000000);
  const WRect r = ViewWorldRect();
  EXPECT_GT(r.x2, r.x1);
  EXPECT_GT(r.y2, r.y1);
}

TEST_F(MapViewTest, MarkedPointAndDistanceReadout) {
  EXPECT_FALSE(MarkedPointSet());
  EXPECT_EQ(MarkedPointStatusText(), "");
  SetMarkedPoint(WPoint{180000000, 90000000});
  EXPECT_TRUE(MarkedPointSet());
  EXPECT_EQ(MarkedPointStatusText(), "Marked Point  0.000000\xB0N   0.000000\xB0W");
  ClearMarkedPoint();
  EXPECT_FALSE(MarkedPointSet());
  EXPECT_EQ(DistanceReadout(WPoint{180000000, 90000000}, WPoint{181000000, 90000000}),
            "distance 69.05 miles");
}

}  // namespace
}  // namespace tlv
