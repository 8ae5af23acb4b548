#include "geometry/distance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/geo_settings.h"
#include "geometry/screen.h"
#include "geometry/segments.h"
#include "geometry/wrect.h"
#include "support/test_support.h"

namespace tlv {
namespace {

class DistanceTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    ResetGeometrySettings();
  }
  void TearDown() override {
    ResetGeometrySettings();
    test::CoreTest::TearDown();
  }
};

TEST_F(DistanceTest, UnitWordsComeFromTheStringTable) {
  const char* names[] = {"feet", "yards", "meters", "kilometers", "miles", "nautical miles"};
  const char* abbreviations[] = {"ft", "yds", "m", "km", "mi", "nm"};
  for (int16_t unit = 1; unit <= 6; ++unit) {
    EXPECT_EQ(DistanceUnitName(unit), names[unit - 1]);
    EXPECT_EQ(DistanceUnitAbbreviation(unit), abbreviations[unit - 1]);
  }
  // An unknown unit is miles everywhere.
  EXPECT_EQ(DistanceUnitName(9), "miles");
  EXPECT_EQ(DistanceUnitAbbreviation(0), "mi");
  EXPECT_EQ(UnitsPerDegreeLatitude(-3), 69.0459911616);
  EXPECT_EQ(PaperUnitAbbreviation(kUnitMeters), "cm");
  EXPECT_EQ(PaperUnitAbbreviation(kUnitKilometers), "cm");
  EXPECT_EQ(PaperUnitAbbreviation(kUnitNauticalMiles), "in");
}

TEST_F(DistanceTest, ConversionGoesThroughMiles) {
  EXPECT_DOUBLE_EQ(ConvertDistance(1, kUnitMiles, kUnitFeet), 5280);
  EXPECT_DOUBLE_EQ(ConvertDistance(3, kUnitYards, kUnitFeet), 9);
  EXPECT_NEAR(ConvertDistance(1, kUnitKilometers, kUnitMeters), 1000, 1e-9);
  // 1 / 0.86897624 miles in a nautical mile.
  EXPECT_NEAR(ConvertDistance(1, kUnitNauticalMiles, kUnitMiles), 1.150779450540558, 1e-12);
}

TEST_F(DistanceTest, GreatCircleDistances) {
  const WPoint equator0{180000000, 90000000};
  // One degree of longitude on the equator is one degree of arc: 69.0459911616 miles.
  EXPECT_NEAR(GreatCircleDistance(equator0, WPoint{181000000, 90000000}), 69.0459911616, 1e-9);
  // Equator to the pole: 90 degrees of arc.
  EXPECT_NEAR(GreatCircleDistance(equator0, WPoint{180000000, 180000000}), 6214.139204544, 1e-6);
  // Antipodes: half a turn, pi x 69.0459911616 x 360 / 6.28318530718.
  EXPECT_NEAR(GreatCircleDistance(WPoint{0, 90000000}, equator0), 12428.2784090872, 1e-6);
  EXPECT_NEAR(GreatCircleDistance(equator0, WPoint{181000000, 90000000}, kUnitNauticalMiles), 60,
              1e-9);
}

TEST_F(DistanceTest, ACosineJustAboveOneGivesZero) {
  // At this point cos^2 + sin^2 of the latitude sums to 1.0000000000000002 in doubles.
  const WPoint p{1000000, 96028};
  const double d = GreatCircleDistance(p, p);
  EXPECT_FALSE(std::isnan(d));
  EXPECT_EQ(d, 0.0);
}

TEST_F(DistanceTest, TableSinesMatchTheLibrary) {
  double worst = 0;
  for (int64_t units = -200000000; units <= 200000000; units += 77777) {
    double s = 0, c = 0;
    WorldAngleSinCos(static_cast<int32_t>(units), s, c);
    const double angle = static_cast<double>(units) / 1e6 * 0.017453292519944444;
    worst = std::max({worst, std::fabs(s - std::sin(angle)), std::fabs(c - std::cos(angle))});
  }
  EXPECT_LT(worst, 1e-15);
}

TEST_F(DistanceTest, PointToRectangleDistances) {
  const WRect r{180000000, 90000000, 181000000, 90000000};
  EXPECT_EQ(PointToWRectDistance(WPoint{180500000, 90000000}, r, kUnitMiles), 0.0);
  EXPECT_NEAR(PointToWRectDistance(WPoint{179000000, 90000000}, r, kUnitMiles), 69.0459911616,
              1e-9);
  // The far edge is two degrees away.
  EXPECT_NEAR(PointToWRectFarDistance(WPoint{179000000, 90000000}, r, kUnitMiles), 138.0919823232,
              1e-8);
}

TEST_F(DistanceTest, LocalLengthsUseTheCosineOfTheLatitude) {
  EXPECT_NEAR(LatitudeDifferenceLength(1000000, kUnitMiles), 69.0459911616, 1e-12);
  // At 60 degrees a degree of longitude is half as long, so a length needs twice the units.
  EXPECT_EQ(LengthToWorldDx(69.0459911616, 150000000, kUnitMiles), 2000000);
  EXPECT_EQ(LengthToWorldDy(60, kUnitNauticalMiles), 1000000);
  // At the pole the cosine is held above zero: a finite, saturated result.
  EXPECT_EQ(LengthToWorldDx(1e9, 180000000, kUnitMiles), 2147483647);
}

TEST_F(DistanceTest, RingAreaOfOneSquareDegreeWithAHole) {
  // A 1 x 1 degree square on the equator, counter-clockwise, measured at latitude 0.5:
  // 69.0459911616^2 x cos(0.5 degree) = 4767.16736944978 square miles.
  std::vector<PathPoint> pts = {{1, 180000000, 90000000},
                                {0, 181000000, 90000000},
                                {0, 181000000, 91000000},
                                {0, 180000000, 91000000},
                                {0, 180000000, 90000000}};
  Handle h = MyNewHandle(static_cast<int32_t>(pts.size() * sizeof(PathPoint)));
  ScopedHandle owned(h);
  HandleArray<PathPoint> a(h);
  for (size_t i = 0; i < pts.size(); ++i) a.Set(static_cast<int32_t>(i), pts[i]);
  EXPECT_NEAR(RingArea(h, 5), 4767.16736944978, 1e-8);

  // A clockwise quarter-size hole subtracts a quarter.
  std::vector<PathPoint> hole = {{1, 180250000, 90250000},
                                 {0, 180250000, 90750000},
                                 {0, 180750000, 90750000},
                                 {0, 180750000, 90250000},
                                 {0, 180250000, 90250000}};
  for (const PathPoint& p : hole) ASSERT_EQ(a.Append(p), 0);
  EXPECT_NEAR(RingArea(h, 10), 4767.16736944978 * 0.75, 1e-8);
  EXPECT_EQ(RingArea(h, 11), 0.0);
}

TEST_F(DistanceTest, ScaleFactorFromPixelsPerInch) {
  // 1e6 / (96 x 69.0459911616 x 63360).
  EXPECT_NEAR(ScaleFactorK(96), 0.0023810862660321253, 1e-18);
  EXPECT_EQ(ScaleFactorK(0), ScaleFactorK(96));
  EXPECT_EQ(ScaleFactorK(std::nan("")), ScaleFactorK(96));
}

TEST_F(DistanceTest, RectangleOperations) {
  EXPECT_EQ(IntersectWRect(WRect{0, 0, 10, 10}, WRect{20, 20, 30, 30}), (WRect{0, 0, 0, 0}));
  EXPECT_EQ(IntersectWRect(WRect{0, 0, 10, 10}, WRect{5, -5, 30, 8}), (WRect{5, 0, 10, 8}));
  EXPECT_TRUE(WRectsOverlap(WRect{0, 0, 10, 10}, WRect{10, 10, 20, 20}));
  EXPECT_FALSE(WRectsOverlap(WRect{0, 0, 10, 10}, WRect{11, 0, 20, 20}));
  EXPECT_EQ(WRectCentre(WRect{0, 0, 5, 5}), (WPoint{2, 2}));
  EXPECT_EQ(WRectCentre(WRect{2000000000, 0, 2100000000, 0}).x, 2050000000);
  EXPECT_EQ(InsetWRect(WRect{0, 0, 10, 10}, 2, 3), (WRect{2, 3, 8, 7}));
  EXPECT_EQ(OutsetWRect(WRect{0, 0, 10, 10}, 2, 3), (WRect{-2, -3, 12, 13}));
  EXPECT_EQ(OffsetWRect(WRect{0, 0, 10, 10}, 2147483647, 1).x2, 2147483647);
  WRect u = kEmptyWRect;
  UnionWRectPoint(u, WPoint{static_cast<int32_t>(0x80000000u | 50), 7});
  UnionWRectPoint(u, WPoint{20, 9});
  EXPECT_EQ(u, (WRect{20, 7, 50, 9}));
  EXPECT_TRUE(WPointInWRect(WPoint{10, 0}, WRect{0, 0, 10, 10}));
  EXPECT_TRUE(WRectInWRect(WRect{0, 0, 10, 10}, WRect{0, 0, 10, 10}));
  EXPECT_FALSE(WRectInWRect(WRect{0, 0, 11, 10}, WRect{0, 0, 10, 10}));
}

TEST_F(DistanceTest, WorldAndScreenConversions) {
  const ViewMapping m{WRect{0, 0, 1000, 500}, ScreenRect{0, 0, 100, 50}};
  EXPECT_EQ(WorldToScreenPoint(m, WPoint{500, 250}), (ScreenPoint{50, 25}));
  EXPECT_EQ(WorldToScreenPoint(m, WPoint{0, 0}), (ScreenPoint{0, 50}));
  // 100 x 5 / 1000 = 0.5 rounds up; 50 x 490 / 500 = 49 from the bottom.
  EXPECT_EQ(WorldToScreenPoint(m, WPoint{5, 490}), (ScreenPoint{1, 1}));
  EXPECT_EQ(ScreenToWorldPoint(m, ScreenPoint{50, 25}), (WPoint{500, 250}));
  EXPECT_EQ(ScreenToWorldPoint(m, ScreenPoint{100, 0}), (WPoint{1000, 500}));
  EXPECT_EQ(WorldRectToScreen(m, WRect{100, 100, 200, 400}), (ScreenRect{10, 10, 20, 40}));
  EXPECT_EQ(ScreenRectToWorld(m, ScreenRect{10, 10, 20, 40}), (WRect{100, 100, 200, 400}));
  EXPECT_EQ(ClampMousePoint(WPoint{-5, 190000000}), (WPoint{1, 179999999}));

  // A degenerate or extreme mapping never overflows.
  const ViewMapping flat{WRect{7, 7, 7, 7}, ScreenRect{0, 0, 100, 50}};
  EXPECT_EQ(WorldToScreenPoint(flat, WPoint{1000, 1000}), (ScreenPoint{0, 50}));
  const ViewMapping tiny{WRect{0, 0, 1, 1}, ScreenRect{0, 0, 30000, 30000}};
  EXPECT_EQ(WorldToScreenPoint(tiny, WPoint{360000000, 0}).x, kScreenCoordinateLimit);
}

TEST_F(DistanceTest, ScreenPointListsBecomeWorldPointsWithTheOffset) {
  const ViewMapping m{WRect{0, 0, 1000, 500}, ScreenRect{0, 0, 100, 50}};
  Handle screen = MyNewHandle(2 * sizeof(ShortPoint));
  ScopedHandle ownedScreen(screen);
  HandleArray<ShortPoint> s(screen);
  s.Set(0, ShortPoint{10, 50});
  s.Set(1, ShortPoint{20, 0});
  Handle world = nullptr;
  ASSERT_EQ(ScreenToWorldPoints(m, screen, 3, -4, world), 0);
  ScopedHandle ownedWorld(world);
  HandleArray<WPoint> w(world);
  ASSERT_EQ(w.Count(), 2);
  EXPECT_EQ(w.Get(0), (WPoint{103, -4}));
  EXPECT_EQ(w.Get(1), (WPoint{203, 496}));
}

}  // namespace
}  // namespace tlv
