#include "geometry/proximity.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "geometry/distance.h"
#include "support/test_support.h"

namespace tlv {
namespace {

class ProximityTest : public test::CoreTest {};

// Around 40 degrees north, where a world unit of x is shorter on the ground than one of y.
constexpr WPoint kHere{100000000, 130000000};
constexpr double kMilesPerWorldY = kMilesPerDegreeLatitude / 1000000.0;

WPoint At(int32_t dx, int32_t dy) {
  return {kHere.x + dx, kHere.y + dy};
}

Reach MilesReach(double miles) {
  return ReachAround(kHere, miles, kUnitMiles);
}

TEST_F(ProximityTest, PointsAreNearWithinTheDistanceOnTheGroundNotInWorldUnits) {
  const Reach reach = MilesReach(1000 * kMilesPerWorldY);  // 1000 world units of y
  EXPECT_TRUE(PointNearPoint(kHere, kHere, ReachAround(kHere, 0, kUnitMiles)));
  EXPECT_TRUE(PointNearPoint(kHere, At(0, 990), reach));
  EXPECT_FALSE(PointNearPoint(kHere, At(0, 1010), reach));
  // At 40 degrees 1000 units of y are about 1305 units of x.
  EXPECT_TRUE(PointNearPoint(kHere, At(1290, 0), reach));
  EXPECT_FALSE(PointNearPoint(kHere, At(1320, 0), reach));
  EXPECT_GT(reach.dx, reach.dy);
}

TEST_F(ProximityTest, APointIsNearASegmentThroughItsProjectionOrItsEnds) {
  const Reach reach = MilesReach(100 * kMilesPerWorldY);
  const WPoint a = At(0, 0), b = At(10000, 0);
  EXPECT_TRUE(PointNearSegment(At(5000, 90), a, b, reach)) << "beside the middle";
  EXPECT_FALSE(PointNearSegment(At(5000, 110), a, b, reach));
  EXPECT_TRUE(PointNearSegment(At(-60, 60), a, b, reach)) << "near the first end";
  EXPECT_FALSE(PointNearSegment(At(-140, 0), a, b, reach)) << "beyond the end on its line";
  EXPECT_TRUE(PointNearSegment(a, a, a, reach)) << "a segment of no length is its point";
  // A slanted segment: the distance is measured square to it, not along an axis.
  const WPoint c = At(0, 0), d = At(10000, 10000);
  EXPECT_TRUE(PointNearSegment(At(5000, 4950), c, d, reach));
  EXPECT_FALSE(PointNearSegment(At(5000, 4000), c, d, reach));
}

TEST_F(ProximityTest, SegmentsCrossWhenTheyTouchAndNotWhenOnlyTheirLinesMeet) {
  EXPECT_TRUE(SegmentsCross(At(0, 0), At(10, 10), At(0, 10), At(10, 0)));
  EXPECT_TRUE(SegmentsCross(At(0, 0), At(10, 0), At(10, 0), At(20, 5))) << "shared end";
  EXPECT_TRUE(SegmentsCross(At(0, 0), At(10, 0), At(5, 0), At(5, 8))) << "end on the other";
  EXPECT_FALSE(SegmentsCross(At(0, 0), At(10, 0), At(11, -5), At(11, 5)));
  EXPECT_FALSE(SegmentsCross(At(0, 0), At(10, 10), At(20, 0), At(12, 8))) << "lines meet beyond";
  EXPECT_TRUE(SegmentsCross(At(0, 0), At(10, 0), At(5, 0), At(20, 0))) << "overlapping on a line";
  const Reach reach = MilesReach(10 * kMilesPerWorldY);
  EXPECT_TRUE(SegmentsNear(At(0, 0), At(100, 0), At(50, 8), At(50, 100), reach));
  EXPECT_FALSE(SegmentsNear(At(0, 0), At(100, 0), At(50, 14), At(50, 100), reach));
}

TEST_F(ProximityTest, RectanglesCountTheirInsideAndTheGapBetweenEdges) {
  const WRect r{kHere.x, kHere.y, kHere.x + 1000, kHere.y + 1000};
  const Reach reach = MilesReach(50 * kMilesPerWorldY);
  EXPECT_TRUE(PointNearWRect(At(500, 500), r, reach));
  EXPECT_TRUE(PointNearWRect(At(500, 1040), r, reach));
  EXPECT_FALSE(PointNearWRect(At(500, 1060), r, reach));
  EXPECT_FALSE(PointNearWRect(At(1050, 1050), r, reach)) << "diagonal gap is longer";
  EXPECT_TRUE(WRectsNear(r, {r.x1 + 500, r.y1 + 500, r.x2 + 500, r.y2 + 500}, reach));
  EXPECT_TRUE(WRectsNear(r, {r.x1, r.y2 + 40, r.x2, r.y2 + 900}, reach));
  EXPECT_FALSE(WRectsNear(r, {r.x1, r.y2 + 60, r.x2, r.y2 + 900}, reach));
  // A rectangle given with its corners swapped means the same rectangle.
  EXPECT_TRUE(PointNearWRect(At(500, 500), {r.x2, r.y2, r.x1, r.y1}, reach));
}

TEST_F(ProximityTest, RingsDecideOneAfterAnotherSoAHoleIsNotSubtracted) {
  // Two separate squares and a point in each; then a vertex exactly level with the point.
  const std::vector<WPoint> flagged = {
      At(0, 0),
      At(100, 0),
      At(100, 100),
      At(0, 100),
      {static_cast<int32_t>(static_cast<uint32_t>(kHere.x + 200) | 0x80000000u), kHere.y},
      At(300, 0),
      At(300, 100),
      At(200, 100)};
  const Rings rings = RingsFromFlaggedPoints(flagged.data(), static_cast<int32_t>(flagged.size()));
  ASSERT_EQ(rings.RingCount(), 2);
  EXPECT_EQ(rings.points[4].x, kHere.x + 200) << "the piece bit is taken off";
  EXPECT_TRUE(RingsContainPoint(rings, At(50, 50)));
  EXPECT_TRUE(RingsContainPoint(rings, At(250, 50)));
  EXPECT_FALSE(RingsContainPoint(rings, At(150, 50)));
  // A ray level with a vertex of a diamond counts the vertex once.
  const std::vector<WPoint> diamond = {At(50, 0), At(100, 50), At(50, 100), At(0, 50)};
  const Rings d = RingsFromFlaggedPoints(diamond.data(), 4);
  EXPECT_TRUE(RingsContainPoint(d, At(50, 50)));
  EXPECT_FALSE(RingsContainPoint(d, At(-10, 50)));
  EXPECT_FALSE(RingsContainPoint(d, At(110, 50)));
  // A point in an inner ring (a hole) still counts: the outer ring's odd count decides first.
  const std::vector<WPoint> nested = {
      At(0, 0),
      At(100, 0),
      At(100, 100),
      At(0, 100),
      {static_cast<int32_t>(static_cast<uint32_t>(kHere.x + 40) | 0x80000000u), kHere.y + 40},
      At(60, 40),
      At(60, 60),
      At(40, 60)};
  EXPECT_TRUE(RingsContainPoint(RingsFromFlaggedPoints(nested.data(), 8), At(50, 50)));
}

TEST_F(ProximityTest, PathsAreNearThroughTheirSegmentsAndClosedOnesThroughTheClosingSide) {
  const std::vector<WPoint> chain = {At(0, 0), At(1000, 0), At(1000, 1000)};
  const Rings path = RingsFromFlaggedPoints(chain.data(), 3);
  const Reach reach = MilesReach(20 * kMilesPerWorldY);
  EXPECT_TRUE(PathNearPoint(path, false, At(1010, 500), reach));
  EXPECT_FALSE(PathNearPoint(path, false, At(500, 510), reach)) << "open: no closing side";
  EXPECT_TRUE(PathNearPoint(path, true, At(500, 510), reach));
  const std::vector<WPoint> single = {At(0, 0)};
  EXPECT_TRUE(PathNearPoint(RingsFromFlaggedPoints(single.data(), 1), false, At(5, 5), reach));

  const WRect box{kHere.x + 400, kHere.y - 100, kHere.x + 600, kHere.y + 100};
  EXPECT_TRUE(PathTouchesWRect(path, false, box)) << "a segment crosses it";
  EXPECT_FALSE(PathTouchesWRect(path, false, {box.x1, box.y1 + 300, box.x2, box.y2 + 300}));
  EXPECT_TRUE(PathTouchesWRect(path, true, {box.x1, box.y1 + 400, box.x2, box.y2 + 500}))
      << "the closing side crosses it";
}

TEST_F(ProximityTest, OutlinesOfRectanglesAndEllipses) {
  const WRect r{kHere.x, kHere.y, kHere.x + 2000, kHere.y + 1000};
  const Rings rect = RectangleRing(r);
  ASSERT_EQ(rect.points.size(), 4u);
  EXPECT_TRUE(RingsContainPoint(rect, At(1000, 500)));
  const Rings ellipse = EllipseRing(r);
  EXPECT_EQ(ellipse.points.size(), 64u);
  EXPECT_TRUE(RingsContainPoint(ellipse, At(1000, 500)));
  EXPECT_FALSE(RingsContainPoint(ellipse, At(50, 50))) << "the rectangle's corner is outside";
  EXPECT_EQ(EllipseRing(r, 3).points.size(), 8u);
}

NearShape Ring(std::vector<WPoint> points, bool closed, bool area) {
  Rings rings;
  rings.points = std::move(points);
  rings.starts = {0};
  return MakeNearShape(std::move(rings), closed, area);
}

TEST_F(ProximityTest, ShapesAreNearThroughPointsSegmentsAndInsides) {
  const Reach reach = MilesReach(100 * kMilesPerWorldY);
  const NearShape symbol = Ring({At(0, 0)}, false, false);
  EXPECT_EQ(symbol.bounds, (WRect{kHere.x, kHere.y, kHere.x, kHere.y}));
  // A symbol near a symbol, and near the middle of a line but not past its end.
  EXPECT_TRUE(ShapesNear(symbol, Ring({At(0, 90)}, false, false), reach));
  EXPECT_FALSE(ShapesNear(symbol, Ring({At(0, 110)}, false, false), reach));
  const NearShape line = Ring({At(-1000, 90), At(1000, 90)}, false, false);
  EXPECT_TRUE(ShapesNear(symbol, line, reach));
  EXPECT_TRUE(ShapesNear(line, symbol, reach)) << "either way round";
  EXPECT_FALSE(ShapesNear(Ring({At(1300, 0)}, false, false), line, reach));
  // Crossing lines touch at distance 0; parallel ones do not.
  const Reach none = MilesReach(0);
  const NearShape across = Ring({At(0, -1000), At(0, 1000)}, false, false);
  EXPECT_TRUE(ShapesNear(across, line, none));
  EXPECT_FALSE(ShapesNear(Ring({At(-1000, 500), At(1000, 500)}, false, false), line, none));
  // A square holds a symbol well inside it only as an area; its outline alone is far from it.
  const std::vector<WPoint> square{At(-2000, -2000), At(2000, -2000), At(2000, 2000),
                                   At(-2000, 2000)};
  EXPECT_TRUE(ShapesNear(Ring(square, true, true), symbol, none));
  EXPECT_TRUE(ShapesNear(symbol, Ring(square, true, true), none));
  EXPECT_FALSE(ShapesNear(Ring(square, true, false), symbol, none));
  // A small square inside a big one: held by the area, not touched by the outline.
  const NearShape small = Ring({At(-10, -10), At(10, -10), At(10, 10), At(-10, 10)}, true, false);
  EXPECT_TRUE(ShapesNear(Ring(square, true, true), small, none));
  EXPECT_FALSE(ShapesNear(Ring(square, true, false), small, none));
  EXPECT_FALSE(ShapesNear(NearShape(), symbol, reach)) << "an empty shape is near nothing";
}

}  // namespace
}  // namespace tlv
