#include "geometry/polygon_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <random>
#include <vector>

#include "base/memory.h"
#include "geometry/distance.h"
#include "geometry/proximity.h"
#include "geometry/wrect.h"
#include "support/test_support.h"

namespace tlv {
namespace {

class PolygonOpsTest : public test::CoreTest {};

// A closed ring through the points, in order.
SegmentList Ring(const std::vector<WPoint>& points) {
  SegmentList ring;
  for (size_t i = 0; i < points.size(); ++i) {
    const WPoint a = points[i], b = points[(i + 1) % points.size()];
    ring.push_back({a.x, a.y, b.x, b.y});
  }
  return ring;
}

SegmentList Square(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return Ring({{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}});
}

::testing::AssertionResult SameSegments(const SegmentList& actual, const SegmentList& expected) {
  if (actual.size() != expected.size()) {
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << actual.size() << " segments, expected " << expected.size() << ":";
    for (const Segment& s : actual) {
      failure << " (" << s.x1 << "," << s.y1 << ")-(" << s.x2 << "," << s.y2 << ")";
    }
    return failure;
  }
  for (size_t i = 0; i < actual.size(); ++i) {
    const Segment& a = actual[i];
    const Segment& e = expected[i];
    if (!(a == e)) {
      return ::testing::AssertionFailure()
             << "segment " << i << " is (" << a.x1 << "," << a.y1 << ")-(" << a.x2 << "," << a.y2
             << "), expected (" << e.x1 << "," << e.y1 << ")-(" << e.x2 << "," << e.y2 << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

// ---- The plain loops, transcribed as they are described, for comparison ----------------------

bool RefParallel(const Segment& p, const Segment& q) {
  return (int64_t{p.x2} - p.x1) * (int64_t{q.y2} - q.y1) -
             (int64_t{p.y2} - p.y1) * (int64_t{q.x2} - q.x1) ==
         0;
}

// AddSegment on a list: segment i ends at p and a new one from p to the old end follows it.
void RefAddSegment(SegmentList& list, size_t i, WPoint p) {
  Segment s = list[i];
  if ((p.x == s.x1 && p.y == s.y1) || (p.x == s.x2 && p.y == s.y2)) return;
  const Segment tail{p.x, p.y, s.x2, s.y2};
  s.x2 = p.x;
  s.y2 = p.y;
  list[i] = s;
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(i) + 1, tail);
}

void RefSplitAtInner(SegmentList& list, size_t i, const Segment& piece, WPoint q1, WPoint q2) {
  std::vector<WPoint> inner;
  if (PointStrictlyInsideSegment(piece, q1)) inner.push_back(q1);
  if (PointStrictlyInsideSegment(piece, q2) && !(inner.size() == 1 && inner[0] == q2)) {
    inner.push_back(q2);
  }
  if (inner.size() == 2) {
    auto d = [&](WPoint q) {
      return std::llabs(int64_t{q.x} - piece.x1) + std::llabs(int64_t{q.y} - piece.y1);
    };
    if (d(inner[0]) < d(inner[1])) std::swap(inner[0], inner[1]);
  }
  for (const WPoint& q : inner) RefAddSegment(list, i, q);
}

void RefOrder(SegmentList& list) {
  const size_t n = list.size();
  auto touches = [&](size_t k, WPoint p) {
    return (list[k].x1 == p.x && list[k].y1 == p.y) || (list[k].x2 == p.x && list[k].y2 == p.y);
  };
  auto loose = [&](size_t place, size_t k, WPoint p) {
    for (size_t o = place; o < n; ++o) {
      if (o != k && touches(o, p)) return false;
    }
    return true;
  };
  auto moveTo = [&](size_t from, size_t place, bool reverse) {
    Segment s = list[from];
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(from));
    if (reverse) s = {s.x2, s.y2, s.x1, s.y1};
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(place), s);
  };
  size_t place = 0;
  while (place < n) {
    size_t pick = n;
    bool reverse = false;
    for (size_t k = place; k < n && pick == n; ++k) {
      if (loose(place, k, {list[k].x1, list[k].y1})) pick = k;
    }
    for (size_t k = place; k < n && pick == n; ++k) {
      if (loose(place, k, {list[k].x2, list[k].y2})) {
        pick = k;
        reverse = true;
      }
    }
    if (pick == n) pick = place;
    moveTo(pick, place, reverse);
    ++place;
    for (;;) {
      const WPoint joint{list[place - 1].x2, list[place - 1].y2};
      size_t next = n;
      for (size_t k = place; k < n && next == n; ++k) {
        if (touches(k, joint)) next = k;
      }
      if (next == n) break;
      moveTo(next, place, !(list[next].x1 == joint.x && list[next].y1 == joint.y));
      ++place;
    }
  }
}

SegmentList RefCombine(const SegmentList& aIn, const SegmentList& bIn, const KeepSwitches& keep) {
  SegmentList a = aIn, b = bIn;
  for (size_t i = 0; i < a.size(); ++i) {
    for (size_t j = 0; j < b.size(); ++j) {
      const Segment p = a[i], q = b[j];
      if (!SegmentsCross({p.x1, p.y1}, {p.x2, p.y2}, {q.x1, q.y1}, {q.x2, q.y2})) continue;
      if (RefParallel(p, q)) {
        RefSplitAtInner(a, i, p, {q.x1, q.y1}, {q.x2, q.y2});
        RefSplitAtInner(b, j, q, {p.x1, p.y1}, {p.x2, p.y2});
        continue;
      }
      if (SegmentsJoined(p, q)) continue;
      const WPoint c = SegmentCrossingPoint(p, q);
      RefAddSegment(a, i, c);
      RefAddSegment(b, j, c);
    }
  }
  SegmentList kept;
  for (const Segment& s : a) {
    const bool inside = SegmentsContainPoint(b.data(), b.size(), SegmentMidpoint(s));
    if ((inside && keep.aInsideB) || (!inside && keep.aOutsideB)) kept.push_back(s);
  }
  for (const Segment& s : b) {
    const bool inside = SegmentsContainPoint(a.data(), a.size(), SegmentMidpoint(s));
    if ((inside && keep.bInsideA) || (!inside && keep.bOutsideA)) kept.push_back(s);
  }
  RefOrder(kept);
  return kept;
}

// Random rings (self-crossing allowed) on a small grid, so crossings, shared vertices, rounding
// and collinear overlaps all come up.
SegmentList RandomPolygon(std::mt19937& rng, int32_t maxVertices, int32_t grid, int32_t offset) {
  std::uniform_int_distribution<int32_t> coordinate(offset, offset + grid);
  std::uniform_int_distribution<int32_t> vertices(3, maxVertices);
  std::uniform_int_distribution<int32_t> rings(1, 3);
  SegmentList polygon;
  const int32_t ringCount = rings(rng);
  int32_t budget = vertices(rng);
  for (int32_t r = 0; r < ringCount && budget >= 3; ++r) {
    const int32_t n = r + 1 == ringCount ? budget : std::max(3, budget / 2);
    budget -= n;
    std::vector<WPoint> points;
    for (int32_t k = 0; k < n; ++k) points.push_back({coordinate(rng), coordinate(rng)});
    const SegmentList ring = Ring(points);
    polygon.insert(polygon.end(), ring.begin(), ring.end());
  }
  return polygon;
}

// A star-shaped ring (one or two of them) around a centre: radii vary at every vertex, so two
// stars cross each other many times along their edges, as drawn areas do.
SegmentList RandomStar(std::mt19937& rng, int32_t maxVertices, int32_t radius, WPoint centre) {
  std::uniform_int_distribution<int32_t> vertices(3, maxVertices);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  SegmentList polygon;
  const int32_t ringCount = unit(rng) < 0.25 ? 2 : 1;
  for (int32_t r = 0; r < ringCount; ++r) {
    const int32_t n = vertices(rng);
    const double scale = r == 0 ? 1.0 : 0.3;
    std::vector<WPoint> points;
    for (int32_t k = 0; k < n; ++k) {
      const double angle = 6.283185307179586 * k / n;
      const double length = radius * scale * (0.5 + 0.5 * unit(rng));
      points.push_back({centre.x + static_cast<int32_t>(std::lround(length * std::cos(angle))),
                        centre.y + static_cast<int32_t>(std::lround(length * std::sin(angle)))});
    }
    const SegmentList ring = Ring(points);
    polygon.insert(polygon.end(), ring.begin(), ring.end());
  }
  return polygon;
}

// Splits a list into its closed runs (each ends where it started).
std::vector<SegmentList> RingsOf(const SegmentList& list) {
  std::vector<SegmentList> rings;
  SegmentList current;
  for (const Segment& s : list) {
    current.push_back(s);
    if (s.x2 == current.front().x1 && s.y2 == current.front().y1) {
      rings.push_back(current);
      current.clear();
    }
  }
  if (!current.empty()) rings.push_back(current);
  return rings;
}

bool InsideSomeRing(const std::vector<SegmentList>& rings, WPoint p) {
  for (const SegmentList& ring : rings) {
    if (SegmentsContainPoint(ring.data(), ring.size(), p)) return true;
  }
  return false;
}

// ---- Hand-worked combinations -----------------------------------------------------------------

TEST_F(PolygonOpsTest, OverlappingSquaresUnionIntersectionAndDifferencePointByPoint) {
  const SegmentList a = Square(0, 0, 10, 10);
  const SegmentList b = Square(5, 5, 15, 15);
  EXPECT_TRUE(
      SameSegments(CombineSegmentLists(a, b, kUnionSwitches),
                   Ring({{0, 0}, {10, 0}, {10, 5}, {15, 5}, {15, 15}, {5, 15}, {5, 10}, {0, 10}})));
  EXPECT_TRUE(SameSegments(CombineSegmentLists(a, b, kIntersectionSwitches),
                           Ring({{10, 5}, {10, 10}, {5, 10}, {5, 5}})));
  EXPECT_TRUE(SameSegments(CombineSegmentLists(a, b, kDifferenceSwitches),
                           Ring({{0, 0}, {10, 0}, {10, 5}, {5, 5}, {5, 10}, {0, 10}})));
  // They share no end point, so the union is computed, not concatenated.
  bool concatenated = true;
  EXPECT_TRUE(SameSegments(UniteSegmentLists(a, b, concatenated),
                           CombineSegmentLists(a, b, kUnionSwitches)));
  EXPECT_FALSE(concatenated);
}

TEST_F(PolygonOpsTest, SquaresSharingOnlyACornerAreConcatenated) {
  const SegmentList a = Square(0, 0, 10, 10);
  const SegmentList b = Square(10, 10, 20, 20);
  bool concatenated = false;
  SegmentList both = a;
  both.insert(both.end(), b.begin(), b.end());
  EXPECT_TRUE(SameSegments(UniteSegmentLists(a, b, concatenated), both));
  EXPECT_TRUE(concatenated);
}

TEST_F(PolygonOpsTest, DisjointPolygonsIntersectToNothing) {
  EXPECT_TRUE(
      CombineSegmentLists(Square(0, 0, 10, 10), Square(20, 0, 30, 10), kIntersectionSwitches)
          .empty());
}

TEST_F(PolygonOpsTest, SharedVertexWithOverlapGivesARealUnion) {
  const SegmentList a = Square(0, 0, 10, 10);
  const SegmentList b = Ring({{10, 10}, {5, 15}, {5, 5}});
  EXPECT_FALSE(OperandsOnlyTouch(a, b));
  bool concatenated = true;
  EXPECT_TRUE(SameSegments(UniteSegmentLists(a, b, concatenated),
                           Ring({{0, 0}, {10, 0}, {10, 10}, {5, 15}, {5, 10}, {0, 10}})));
  EXPECT_FALSE(concatenated);
}

TEST_F(PolygonOpsTest, InnerPolygonTouchingAtAVertexIsNotConcatenated) {
  // b lies inside a and meets it at a corner only: its midpoints are inside, so concatenating
  // would draw it as a hole.
  const SegmentList a = Square(0, 0, 10, 10);
  const SegmentList b = Ring({{0, 0}, {4, 2}, {2, 4}});
  EXPECT_FALSE(OperandsOnlyTouch(a, b));
  bool concatenated = true;
  EXPECT_TRUE(SameSegments(UniteSegmentLists(a, b, concatenated), a));
  EXPECT_FALSE(concatenated);
}

TEST_F(PolygonOpsTest, CrossingPointsAreRoundedHalfUp) {
  EXPECT_EQ(SegmentCrossingPoint({0, 0, 3, 1}, {0, 1, 3, 0}), (WPoint{2, 1}));
  EXPECT_EQ(SegmentCrossingPoint({0, 0, 10, 10}, {0, 10, 10, 0}), (WPoint{5, 5}));
  // t = 1/3 along (0,0)-(10,5): (3.33, 1.67) rounds to (3, 2).
  EXPECT_EQ(SegmentCrossingPoint({0, 0, 10, 5}, {0, 5, 5, 0}), (WPoint{3, 2}));
  // The rounded point splits both lists.
  const KeepSwitches all{true, true, true, true};
  EXPECT_TRUE(SameSegments(CombineSegmentLists({{0, 0, 3, 1}}, {{0, 1, 3, 0}}, all),
                           {{0, 0, 2, 1}, {2, 1, 3, 1}, {0, 1, 2, 1}, {2, 1, 3, 0}}));
}

TEST_F(PolygonOpsTest, TJunctionSplitsOnlyTheCrossedSegment) {
  const KeepSwitches all{true, true, true, true};
  EXPECT_TRUE(SameSegments(CombineSegmentLists({{0, 0, 10, 0}}, {{5, 0, 5, 5}}, all),
                           {{0, 0, 5, 0}, {5, 0, 10, 0}, {5, 0, 5, 5}}));
}

TEST_F(PolygonOpsTest, CollinearOverlapSplitsAtTheOtherEnds) {
  const KeepSwitches all{true, true, true, true};
  EXPECT_TRUE(SameSegments(CombineSegmentLists({{0, 0, 10, 0}}, {{5, 0, 15, 0}}, all),
                           {{0, 0, 5, 0}, {5, 0, 10, 0}, {10, 0, 5, 0}, {10, 0, 15, 0}}));
  // One inside the other, sharing an end: the longer is cut at the shorter's far end. No start
  // is loose, so the chain begins at the loose end (10, 0), turned.
  EXPECT_TRUE(SameSegments(CombineSegmentLists({{0, 0, 10, 0}}, {{0, 0, 4, 0}}, all),
                           {{10, 0, 4, 0}, {4, 0, 0, 0}, {0, 0, 4, 0}}));
  // Both ends of the other strictly inside: two cuts, in order along the segment.
  EXPECT_TRUE(SameSegments(CombineSegmentLists({{0, 0, 10, 0}}, {{7, 0, 3, 0}}, all),
                           {{0, 0, 3, 0}, {3, 0, 7, 0}, {7, 0, 10, 0}, {7, 0, 3, 0}}));
}

TEST_F(PolygonOpsTest, HoleCountsWithAllRingsTogether) {
  SegmentList holed = Square(0, 0, 20, 20);
  const SegmentList hole = Square(5, 5, 15, 15);
  holed.insert(holed.end(), hole.begin(), hole.end());
  EXPECT_FALSE(SegmentsContainPoint(holed.data(), holed.size(), {10, 10}));
  EXPECT_TRUE(SegmentsContainPoint(holed.data(), holed.size(), {2, 10}));
  // The search's test decides ring by ring: the outer ring holds the point.
  Rings rings;
  rings.points = {{0, 0}, {20, 0}, {20, 20}, {0, 20}, {5, 5}, {15, 5}, {15, 15}, {5, 15}};
  rings.starts = {0, 4};
  EXPECT_TRUE(RingsContainPoint(rings, {10, 10}));

  const SegmentList inHole = Square(8, 8, 12, 12);
  EXPECT_TRUE(CombineSegmentLists(holed, inHole, kIntersectionSwitches).empty());
  EXPECT_TRUE(SameSegments(CombineSegmentLists(holed, inHole, kDifferenceSwitches), holed));
  SegmentList all = holed;
  all.insert(all.end(), inHole.begin(), inHole.end());
  EXPECT_TRUE(SameSegments(CombineSegmentLists(holed, inHole, kUnionSwitches), all));
  // A square across the hole's edge keeps only the part in the ring's body.
  EXPECT_TRUE(SameSegments(CombineSegmentLists(holed, Square(2, 8, 8, 12), kIntersectionSwitches),
                           Ring({{5, 12}, {5, 8}, {2, 8}, {2, 12}})));
}

TEST_F(PolygonOpsTest, ShuffledRingIsRechainedHeadToTail) {
  const std::vector<WPoint> p{{0, 0}, {10, 0}, {20, 5}, {20, 15}, {10, 20}, {0, 10}};
  const SegmentList ring = Ring(p);
  auto rev = [](Segment s) { return Segment{s.x2, s.y2, s.x1, s.y1}; };
  SegmentList shuffled{ring[3], ring[0], rev(ring[5]), ring[1], ring[4], rev(ring[2])};
  OrderSegmentChains(shuffled);
  EXPECT_TRUE(SameSegments(shuffled, {ring[3], ring[4], ring[5], ring[0], ring[1], ring[2]}));

  // An open chain starts at a loose end; with no loose start the first loose end is turned.
  SegmentList chain{{20, 0, 30, 0}, {10, 0, 0, 0}, {10, 0, 20, 0}};
  OrderSegmentChains(chain);
  EXPECT_TRUE(SameSegments(chain, {{30, 0, 20, 0}, {20, 0, 10, 0}, {10, 0, 0, 0}}));
  int32_t placed = 0;
  ScopedHandle h;
  {
    Handle made = nullptr;
    ASSERT_EQ(SegmentListToHandle({{5, 5, 6, 6}, {0, 0, 5, 5}}, "test", made), 0);
    h.reset(made);
  }
  ASSERT_EQ(OrderSegmentChains(h.get(), placed), 0);
  EXPECT_EQ(placed, 2);
  EXPECT_TRUE(SameSegments(SegmentListFromHandle(h.get()), {{0, 0, 5, 5}, {5, 5, 6, 6}}));
}

TEST_F(PolygonOpsTest, FastPathMatchesThePlainLoopsOnRandomPairs) {
  std::mt19937 rng(20261209);
  const KeepSwitches modes[3] = {kUnionSwitches, kIntersectionSwitches, kDifferenceSwitches};
  for (int round = 0; round < 500; ++round) {
    // Every fifth pair: loose rings on a tiny grid, where collinear overlaps, T-junctions and
    // shared vertices are common. The others: stars of up to 200 vertices on a grid small enough
    // that split points round.
    SegmentList a, b;
    if (round % 5 == 0) {
      a = RandomPolygon(rng, 24, 12, 1000);
      b = RandomPolygon(rng, 24, 12, 1003);
    } else {
      const int32_t radius = round % 2 == 0 ? 300 : 3000000;
      a = RandomStar(rng, 200, radius, {10000000, 10000000});
      b = RandomStar(rng, 200, radius, {10000000 + radius / 3, 10000000 + radius / 5});
    }
    const KeepSwitches& keep = modes[round % 3];
    ASSERT_TRUE(SameSegments(CombineSegmentLists(a, b, keep), RefCombine(a, b, keep)))
        << "round " << round;
  }
}

TEST_F(PolygonOpsTest, OrderingMatchesThePlainLoopWithCoordinatesInEveryDigit) {
  // End points that differ only in a high or a low part of either coordinate, negative ones
  // included, so the sort of end points has to look at every part of them.
  const int32_t values[] = {-2000000000, -65536, -1, 0, 1, 65535, 65536, 131072, 2000000000};
  std::mt19937 rng(31);
  for (int round = 0; round < 200; ++round) {
    SegmentList list;
    const int n = 1 + round % 30;
    auto pick = [&rng, &values] { return values[rng() % std::size(values)]; };
    for (int k = 0; k < n; ++k) list.push_back({pick(), pick(), pick(), pick()});
    SegmentList expected = list;
    RefOrder(expected);
    OrderSegmentChains(list);
    ASSERT_TRUE(SameSegments(list, expected)) << "round " << round;
  }
}

TEST_F(PolygonOpsTest, OrderingMatchesThePlainLoopOnRandomLists) {
  std::mt19937 rng(77);
  std::uniform_int_distribution<int32_t> coordinate(0, 6);
  for (int round = 0; round < 300; ++round) {
    SegmentList list;
    const int n = 1 + round % 40;
    for (int k = 0; k < n; ++k) {
      list.push_back({coordinate(rng), coordinate(rng), coordinate(rng), coordinate(rng)});
    }
    SegmentList expected = list;
    RefOrder(expected);
    OrderSegmentChains(list);
    ASSERT_TRUE(SameSegments(list, expected)) << "round " << round;
  }
}

TEST_F(PolygonOpsTest, ClippedIntersectionMatchesThePlainOne) {
  std::mt19937 rng(4242);
  for (int round = 0; round < 25; ++round) {
    const SegmentList a = RandomPolygon(rng, 60, 1000, 5000);
    // b reaches far beyond a, with at least 100 segments.
    SegmentList b = RandomPolygon(rng, 150, 20000, 0);
    while (b.size() < 100) {
      const SegmentList more = RandomPolygon(rng, 150, 20000, 0);
      b.insert(b.end(), more.begin(), more.end());
    }
    WRect rect = kEmptyWRect;
    for (const Segment& s : a) {
      rect.x1 = std::min({rect.x1, s.x1, s.x2});
      rect.y1 = std::min({rect.y1, s.y1, s.y2});
      rect.x2 = std::max({rect.x2, s.x1, s.x2});
      rect.y2 = std::max({rect.y2, s.y1, s.y2});
    }
    ASSERT_TRUE(SameSegments(CombineSegmentLists(a, b, kIntersectionSwitches, &rect),
                             CombineSegmentLists(a, b, kIntersectionSwitches)))
        << "round " << round;
  }
  // A inside a large B: every midpoint of A still tests inside the whole of B.
  const SegmentList small = Square(500, 500, 600, 600);
  SegmentList large;
  for (int k = 0; k < 120; ++k) {
    const double angle = k * 6.283185307179586 / 120;
    large.push_back({static_cast<int32_t>(5000 + 4000 * std::cos(angle)),
                     static_cast<int32_t>(5000 + 4000 * std::sin(angle)), 0, 0});
  }
  for (size_t k = 0; k < large.size(); ++k) {
    large[k].x2 = large[(k + 1) % large.size()].x1;
    large[k].y2 = large[(k + 1) % large.size()].y1;
  }
  SegmentList shifted = small;
  for (Segment& s : shifted) {
    s.x1 += 4500;
    s.x2 += 4500;
    s.y1 += 4500;
    s.y2 += 4500;
  }
  const WRect rect{5000, 5000, 5100, 5100};
  ScopedHandle ha, hb;
  Handle made = nullptr;
  ASSERT_EQ(SegmentListToHandle(shifted, "test", made), 0);
  ha.reset(made);
  ASSERT_EQ(SegmentListToHandle(large, "test", made), 0);
  hb.reset(made);
  Handle result = nullptr;
  ASSERT_EQ(IntersectPolygonToRect(rect, ha.get(), hb.get(), 0, 120, result), 0);
  ScopedHandle owned(result);
  EXPECT_TRUE(SameSegments(SegmentListFromHandle(result), shifted));
}

// ---- Envelopes --------------------------------------------------------------------------------

// A point on the demo county's latitude (about 40 N).
constexpr int32_t kBaseX = 105000000;
constexpr int32_t kBaseY = 130000000;

TEST_F(PolygonOpsTest, EnvelopeCoversEveryPointNearAZigzag) {
  const SegmentList zigzag{{kBaseX, kBaseY, kBaseX + 20000, kBaseY + 15000},
                           {kBaseX + 20000, kBaseY + 15000, kBaseX + 40000, kBaseY},
                           {kBaseX + 40000, kBaseY, kBaseX + 45000, kBaseY + 30000},
                           {kBaseX + 45000, kBaseY + 30000, kBaseX + 90000, kBaseY + 28000}};
  const double d = 0.5;  // miles
  const std::vector<SegmentList> rings = RingsOf(EnvelopeSegmentList(zigzag, d, kUnitMiles));
  ASSERT_FALSE(rings.empty());
  const double c = CosineOfWorldLatitude(kBaseY);
  const double milesPerUnitY = kMilesPerDegreeLatitude / 1e6;
  const double milesPerUnitX = milesPerUnitY * c;
  auto distanceToLine = [&](WPoint p) {
    double best = 1e300;
    for (const Segment& s : zigzag) {
      const double ax = (s.x1 - static_cast<double>(p.x)) * milesPerUnitX;
      const double ay = (s.y1 - static_cast<double>(p.y)) * milesPerUnitY;
      const double bx = (s.x2 - static_cast<double>(p.x)) * milesPerUnitX;
      const double by = (s.y2 - static_cast<double>(p.y)) * milesPerUnitY;
      const double vx = bx - ax, vy = by - ay;
      const double t = std::clamp(-(ax * vx + ay * vy) / (vx * vx + vy * vy), 0.0, 1.0);
      best = std::min(best, std::hypot(ax + t * vx, ay + t * vy));
    }
    return best;
  };
  std::mt19937 rng(9);
  std::uniform_int_distribution<int32_t> x(kBaseX - 15000, kBaseX + 105000);
  std::uniform_int_distribution<int32_t> y(kBaseY - 12000, kBaseY + 42000);
  int tested = 0;
  for (int k = 0; k < 20000; ++k) {
    const WPoint p{x(rng), y(rng)};
    if (distanceToLine(p) >= 0.99 * d) continue;
    ++tested;
    ASSERT_TRUE(InsideSomeRing(rings, p)) << p.x << "," << p.y;
  }
  EXPECT_GT(tested, 3000);
}

TEST_F(PolygonOpsTest, EnvelopeOfTwoChainsHasACircleAtEachOfTheFourEnds) {
  const SegmentList twoChains{{kBaseX, kBaseY, kBaseX + 50000, kBaseY},
                              {kBaseX, kBaseY + 100000, kBaseX + 50000, kBaseY + 100000}};
  const std::vector<SegmentList> rings = RingsOf(EnvelopeSegmentList(twoChains, 1.0, kUnitMiles));
  // Per chain: the start circle, the rectangle and the end circle.
  ASSERT_EQ(rings.size(), 6u);
  const int32_t reach = LengthToWorldDx(1.0, kBaseY, kUnitMiles);
  for (const WPoint end :
       {WPoint{kBaseX, kBaseY}, WPoint{kBaseX + 50000, kBaseY}, WPoint{kBaseX, kBaseY + 100000},
        WPoint{kBaseX + 50000, kBaseY + 100000}}) {
    // Beyond the end along the line, only a circle can hold the point.
    const int32_t outward = end.x == kBaseX ? -1 : 1;
    EXPECT_TRUE(InsideSomeRing(rings, {end.x + outward * reach * 95 / 100, end.y}))
        << end.x << "," << end.y;
    EXPECT_FALSE(InsideSomeRing(rings, {end.x + outward * reach * 105 / 100, end.y}));
  }
  EXPECT_TRUE(EnvelopeSegmentList(twoChains, 0.0, kUnitMiles).empty());
  EXPECT_TRUE(EnvelopeSegmentList(twoChains, std::nan(""), kUnitMiles).empty());
}

TEST_F(PolygonOpsTest, CircleKeepsPointsBesideTheExclusionAndCollapsesTheRest) {
  const WPoint c{1000000, 1000000};
  const int32_t r = 100000;
  const SegmentList exclusion = Square(c.x - 2 * r, c.y - 2 * r, c.x - r / 2, c.y + 2 * r);
  const SegmentList ring = EnvelopeCircle(c, r, r, {&exclusion}, 0.0);
  // Points 11 to 21 are inside; 11 and 21 stay as neighbours of outside points, 12 to 20 become
  // one copy of the centre.
  ASSERT_EQ(ring.size(), 24u);
  EXPECT_EQ((WPoint{ring[0].x1, ring[0].y1}), (WPoint{c.x + r, c.y}));
  EXPECT_EQ((WPoint{ring[11].x2, ring[11].y2}), c);
  EXPECT_EQ((WPoint{ring[12].x1, ring[12].y1}), c);
}

TEST_F(PolygonOpsTest, CircleTurnsItsStartAngleWhenEveryPointIsExcluded) {
  const WPoint c{1000000, 1000000};
  const int32_t r = 100000;
  // A 32-pointed star whose spikes hold exactly the circle's points at start angle 0.
  std::vector<WPoint> star;
  for (int k = 0; k < 32; ++k) {
    const double tip = k * 6.28318530718 / 32;
    const double valley = (k + 0.5) * 6.28318530718 / 32;
    star.push_back({c.x + static_cast<int32_t>(std::lround(1.01 * r * std::cos(tip))),
                    c.y + static_cast<int32_t>(std::lround(1.01 * r * std::sin(tip)))});
    star.push_back({c.x + static_cast<int32_t>(std::lround(0.9 * r * std::cos(valley))),
                    c.y + static_cast<int32_t>(std::lround(0.9 * r * std::sin(valley)))});
  }
  const SegmentList exclusion = Ring(star);
  double used = -1;
  const SegmentList turned = EnvelopeCircle(c, r, r, {&exclusion}, 0.0, &used);
  EXPECT_EQ(turned.size(), 32u);
  EXPECT_DOUBLE_EQ(used, 0.0196349540849375);
  // Fully covered: every angle up to one step is tried, then nothing.
  const SegmentList cover = Square(c.x - 2 * r, c.y - 2 * r, c.x + 2 * r, c.y + 2 * r);
  EXPECT_TRUE(EnvelopeCircle(c, r, r, {&cover}, 0.0, &used).empty());
  EXPECT_GE(used, 0.196349540849375 - 1e-12);
}

TEST_F(PolygonOpsTest, CombinationRingsForCirclesAndPolygonPieces) {
  const SegmentList circle = CircleRing36({1000, 2000, 1200, 2100});
  ASSERT_EQ(circle.size(), 36u);
  // Centre (1100, 2050), half sizes 100 and 50. Point 9 is a quarter turn of the stored 2-pi
  // constant, a hair past the vertical, so its x truncates to one unit left of the centre.
  EXPECT_EQ((WPoint{circle[0].x1, circle[0].y1}), (WPoint{1200, 2050}));
  EXPECT_EQ((WPoint{circle[9].x1, circle[9].y1}), (WPoint{1099, 2100}));
  EXPECT_EQ((WPoint{circle[35].x2, circle[35].y2}), (WPoint{1200, 2050}));

  const int32_t flag = static_cast<int32_t>(0x80000000u);
  // A closed piece, an open one that gets its closing segment and a two-point piece left out.
  const SegmentList rings = ClosedRingsFromPoints({{0, 0},
                                                   {10, 0},
                                                   {10, 10},
                                                   {0, 0},
                                                   {20 | flag, 0},
                                                   {30, 0},
                                                   {30, 10},
                                                   {40 | flag, 0},
                                                   {50, 0}});
  EXPECT_TRUE(SameSegments(rings, {{0, 0, 10, 0},
                                   {10, 0, 10, 10},
                                   {10, 10, 0, 0},
                                   {20, 0, 30, 0},
                                   {30, 0, 30, 10},
                                   {30, 10, 20, 0}}));
}

TEST_F(PolygonOpsTest, AllocationFailureLeavesNoHandleBehind) {
  Handle a = nullptr, b = nullptr;
  ASSERT_EQ(SegmentListToHandle(Square(0, 0, 10, 10), "test", a), 0);
  ASSERT_EQ(SegmentListToHandle(Square(5, 5, 15, 15), "test", b), 0);
  ScopedHandle ownA(a), ownB(b);
  const int32_t blocks = LiveBlockCount();
  FailAllocationsAfterForTesting(0);
  Handle result = nullptr;
  bool concatenated = false;
  EXPECT_NE(UnionPolygons(a, b, result, concatenated), 0);
  EXPECT_EQ(result, nullptr);
  ResetMemoryFailuresForTesting();
  EXPECT_EQ(LiveBlockCount(), blocks);
  // One report (the out-of-memory alert), not one per step that gave up.
  EXPECT_EQ(platform().alerts.size(), 1u);

  ASSERT_EQ(UnionPolygons(a, b, result, concatenated), 0);
  ScopedHandle owned(result);
  EXPECT_EQ(MyGetHandleSize(result), 8 * 16);
}

TEST_F(PolygonOpsTest, NextPieceEndsWhereTheRingCloses) {
  SegmentList two = Square(0, 0, 10, 10);
  const SegmentList second = Square(20, 20, 30, 30);
  two.insert(two.end(), second.begin(), second.end());
  Handle h = nullptr;
  ASSERT_EQ(SegmentListToHandle(two, "test", h), 0);
  ScopedHandle own(h);
  Handle piece = nullptr;
  int32_t end = 0, length = 0;
  WRect bounds;
  ASSERT_EQ(NextPolygonPiece(h, 0, piece, end, length, &bounds), 0);
  ScopedHandle ownPiece(piece);
  EXPECT_EQ(end, 4);
  EXPECT_EQ(length, 4);
  EXPECT_EQ(bounds, (WRect{0, 0, 10, 10}));
  Handle next = nullptr;
  ASSERT_EQ(NextPolygonPiece(h, 4, next, end, length, nullptr), 0);
  ScopedHandle ownNext(next);
  EXPECT_EQ(end, 8);
  EXPECT_NE(NextPolygonPiece(h, 8, next, end, length, nullptr), 0);
}

}  // namespace
}  // namespace tlv
