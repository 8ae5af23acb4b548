// Geo-referencing with values worked by hand: the scales, the rectangle's edges, point 2 from a
// distance, the refusals in their order, and the ends of the world and of 32 bits.
#include "geometry/georef.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/distance.h"
#include "geometry/geo_settings.h"

namespace tlv {
namespace {

int32_t X(double longitude) {
  return static_cast<int32_t>(std::llround(180000000 + longitude * 1000000));
}
int32_t Y(double latitude) {
  return static_cast<int32_t>(std::llround(90000000 + latitude * 1000000));
}

GeoRefPoint At(int32_t column, int32_t row, double latitude, double longitude) {
  GeoRefPoint p;
  p.column = column;
  p.row = row;
  p.world = {X(longitude), Y(latitude)};
  p.set = true;
  return p;
}

TEST(GeoRefTest, TwoPointsOnOneRowScaleTheHeightByTheCosineOfTheMiddleLatitude) {
  const GeoRefPoint p1 = At(100, 200, 38.5, -78.5);
  const GeoRefPoint p2 = At(900, 200, 38.5, -78.1);
  WRect rect;
  ASSERT_EQ(GeoRefWorldRect(1000, 500, p1, p2, rect), 0);
  // sx = 400,000 / 800 = 500; sy = 500 x cos 38.5 = 391.304...
  EXPECT_EQ(rect, (WRect{101450000, 128382608, 101950000, 128578260}));
  // The same points the other way round give the same rectangle.
  WRect swapped;
  ASSERT_EQ(GeoRefWorldRect(1000, 500, p2, p1, swapped), 0);
  EXPECT_EQ(swapped, rect);
}

TEST(GeoRefTest, SharedColumnAndPointsLeftOfAndBelowEachOther) {
  // One column: sx = sy / c.
  const GeoRefPoint top = At(500, 100, 39.0, -78.0);
  const GeoRefPoint bottom = At(500, 300, 38.8, -78.0);
  WRect rect;
  ASSERT_EQ(GeoRefWorldRect(1000, 400, top, bottom, rect), 0);
  const double sy = 200000.0 / 200.0;
  const double sx = sy / CosineOfWorldLatitude(Y(38.9));
  EXPECT_EQ(rect.y2, Y(39.0) + 100 * 1000);
  EXPECT_EQ(rect.y1, Y(38.8) - 100 * 1000);
  EXPECT_EQ(rect.x1, static_cast<int32_t>(std::trunc(X(-78.0) - 500 * sx)));
  EXPECT_EQ(rect.x2, static_cast<int32_t>(std::trunc(X(-78.0) + 500 * sx)));

  // Point 2 up and to the left of point 1: the north-west point gives the top and left edges.
  const GeoRefPoint p1 = At(800, 400, 38.0, -77.0);
  const GeoRefPoint p2 = At(200, 100, 38.3, -77.6);
  ASSERT_EQ(GeoRefWorldRect(1000, 500, p1, p2, rect), 0);
  EXPECT_EQ(rect.y2, Y(38.3) + 100 * 1000);  // sy = 300,000 / 300 = 1,000
  EXPECT_EQ(rect.y1, Y(38.0) - 100 * 1000);
  EXPECT_EQ(rect.x1, X(-77.6) - 200 * 1000);  // sx = 600,000 / 600 = 1,000
  EXPECT_EQ(rect.x2, X(-77.0) + 200 * 1000);
}

TEST(GeoRefTest, EachRefusalInItsOrder) {
  const GeoRefPoint p1 = At(100, 100, 38.5, -78.5);
  // Equal positions win over every other check, even with equal longitudes.
  EXPECT_EQ(GeoRefCheck(p1, At(100, 100, 38.5, -78.5)), kGeoRefSamePlace);
  EXPECT_EQ(GeoRefCheck(p1, At(200, 100, 38.5, -78.5)), kGeoRefRightButWest);
  EXPECT_EQ(GeoRefCheck(p1, At(50, 100, 38.5, -78.4)), kGeoRefLeftButEast);
  EXPECT_EQ(GeoRefCheck(p1, At(100, 200, 38.6, -78.5)), kGeoRefBelowButNorth);
  EXPECT_EQ(GeoRefCheck(p1, At(100, 50, 38.4, -78.5)), kGeoRefAboveButSouth);
  // The horizontal check comes before the vertical one.
  EXPECT_EQ(GeoRefCheck(p1, At(200, 200, 38.6, -78.6)), kGeoRefRightButWest);
  EXPECT_EQ(GeoRefCheck(p1, At(200, 200, 38.4, -78.4)), kGeoRefFine);
  WRect rect{1, 2, 3, 4};
  EXPECT_EQ(GeoRefWorldRect(1000, 500, p1, At(200, 100, 38.5, -78.5), rect), kGeoRefRightButWest);
  EXPECT_EQ(rect, (WRect{1, 2, 3, 4}));  // untouched
  EXPECT_EQ(GeoRefProblemText(kGeoRefSamePlace),
            "You seem to have placed the two points at the exact same location.  Please "
            "reposition one or both of them.");
  EXPECT_EQ(GeoRefProblemText(kGeoRefAboveButSouth),
            "You have placed point 2 above point 1, but the latitude values you have specified "
            "indicate the opposite.");
}

TEST(GeoRefTest, PointTwoFromADistanceLandsWhereTheScaleSays) {
  const GeoRefPoint p1 = At(100, 200, 38.5, -78.5);
  WPoint p2;
  ASSERT_EQ(PointFromDistance(p1, 600, 200, 10.0, kUnitMiles, p2), 0);
  EXPECT_EQ(p2.y, p1.world.y);
  EXPECT_EQ(p2.x - p1.world.x, 185062);
  // Left of and below point 1: west and south.
  ASSERT_EQ(PointFromDistance(p1, 100, 700, 10.0, kUnitMiles, p2), 0);
  EXPECT_EQ(p2.x, p1.world.x);
  EXPECT_EQ(p1.world.y - p2.y,
            static_cast<int32_t>(std::llround(10.0 / kMilesPerDegreeLatitude * 1000000.0)));
  ASSERT_EQ(PointFromDistance(p1, 0, 200, 5.0, kUnitMiles, p2), 0);
  EXPECT_LT(p2.x, p1.world.x);
  // The same place, or a distance that is no positive number, gives nothing.
  p2 = {7, 7};
  EXPECT_EQ(PointFromDistance(p1, 100, 200, 10.0, kUnitMiles, p2), kGeoRefSamePlace);
  EXPECT_EQ(PointFromDistance(p1, 600, 200, 0.0, kUnitMiles, p2), -1);
  EXPECT_EQ(PointFromDistance(p1, 600, 200, -1.0, kUnitMiles, p2), -1);
  EXPECT_EQ(PointFromDistance(p1, 600, 200, std::nan(""), kUnitMiles, p2), -1);
  EXPECT_EQ(p2, (WPoint{7, 7}));
  // Near the pole the cosine is held above zero and the point stays inside the world.
  ASSERT_EQ(PointFromDistance(At(0, 0, 89.99999, 0), 100, 0, 1000.0, kUnitMiles, p2), 0);
  EXPECT_LE(p2.x, 360000000);
}

TEST(GeoRefTest, TheDistanceFieldStartsAtTenOrTheDistanceBetweenThePoints) {
  const GeoRefPoint p1 = At(100, 200, 38.5, -78.5);
  GeoRefPoint p2 = At(600, 200, 38.5, -78.3);
  p2.set = false;
  EXPECT_EQ(DefaultDistance(p1, p2, kUnitMiles), 10.0);
  p2.set = true;
  EXPECT_NEAR(DefaultDistance(p1, p2, kUnitMiles), GreatCircleDistance(p1.world, p2.world, 5),
              1e-9);
  EXPECT_EQ(DistanceFieldText(10.0, kUnitFeet), "10");
  EXPECT_EQ(DistanceFieldText(10.0, kUnitMeters), "10");
  EXPECT_EQ(DistanceFieldText(10.0, kUnitMiles), "10.00");
  EXPECT_EQ(DistanceFieldText(1.234, kUnitKilometers), "1.23");
}

TEST(GeoRefTest, EdgesPastTheWorldAreHeldAndOnlyAn32BitOverflowIsRefused) {
  // A picture reaching past 180 degrees east is held at the world's edge.
  WRect rect;
  ASSERT_EQ(GeoRefWorldRect(1000, 500, At(100, 100, 10.0, 179.0), At(200, 200, 9.0, 179.5), rect),
            0);
  EXPECT_EQ(rect.x2, 360000000);
  // Positions 40,000 pixels into a photograph.
  ASSERT_EQ(GeoRefWorldRect(50000, 50000, At(1000, 1000, 38.6, -78.6),
                            At(40000, 40000, 38.2, -78.2), rect),
            0);
  EXPECT_LT(rect.x1, X(-78.6));
  EXPECT_GT(rect.y2, Y(38.6));
  // One pixel apart and ten degrees apart: the picture would span far more than 32 bits.
  EXPECT_EQ(GeoRefWorldRect(1000000, 1000000, At(0, 0, 20.0, -80.0), At(1, 1, 10.0, -70.0), rect),
            kGeoRefPastTheWorld);
}

}  // namespace
}  // namespace tlv
