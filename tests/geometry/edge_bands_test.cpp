#include "geometry/edge_bands.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "geometry/proximity.h"

namespace tlv {
namespace {

// Points that stress the tie rule: every vertex, its neighbours one unit away, points on the
// edges' lines and random points, some outside the edges' height.
std::vector<WPoint> ProbePoints(const SegmentList& edges, std::mt19937& rng, int32_t span) {
  std::vector<WPoint> probes;
  for (const Segment& s : edges) {
    for (const WPoint v : {WPoint{s.x1, s.y1}, WPoint{s.x2, s.y2}}) {
      probes.push_back(v);
      probes.push_back({v.x - 1, v.y});
      probes.push_back({v.x, v.y - 1});
      probes.push_back({v.x + 1, v.y + 1});
    }
    probes.push_back({static_cast<int32_t>((int64_t{s.x1} + s.x2) / 2),
                      static_cast<int32_t>((int64_t{s.y1} + s.y2) / 2)});
  }
  std::uniform_int_distribution<int32_t> coordinate(-span / 4, span + span / 4);
  for (int i = 0; i < 500; ++i) probes.push_back({coordinate(rng), coordinate(rng)});
  return probes;
}

void ExpectSameAsEveryEdge(const SegmentList& edges, std::mt19937& rng, int32_t span) {
  const EdgeBands bands(edges);
  ASSERT_TRUE(bands.Usable());
  for (const WPoint p : ProbePoints(edges, rng, span)) {
    ASSERT_EQ(bands.ContainsPoint(p), SegmentsContainPoint(edges.data(), edges.size(), p))
        << p.x << ", " << p.y;
  }
}

TEST(EdgeBandsTest, AnswersAsTheTestOverEveryEdge) {
  std::mt19937 rng(20261209);
  for (int round = 0; round < 40; ++round) {
    // Small coordinates make shared vertices, horizontal and vertical edges and points on
    // edges common; some rounds use wide ones, so edges span many bands.
    const int32_t span = round % 2 == 0 ? 20 : 5000000;
    std::uniform_int_distribution<int32_t> coordinate(0, span);
    const size_t rings = 1 + rng() % 3;
    SegmentList edges;
    for (size_t r = 0; r < rings; ++r) {
      const size_t n = 3 + rng() % 60;
      std::vector<WPoint> ring(n);
      for (WPoint& p : ring) p = {coordinate(rng), coordinate(rng)};
      for (size_t i = 0; i < n; ++i) {
        const WPoint a = ring[i];
        const WPoint b = ring[(i + 1) % n];
        edges.push_back({a.x, a.y, b.x, b.y});
      }
    }
    ExpectSameAsEveryEdge(edges, rng, span);
  }
}

TEST(EdgeBandsTest, OneFlatListAndNegativeCoordinates) {
  std::mt19937 rng(5);
  // All edges at one height: a single band of height one.
  const SegmentList flat = {{-5, 3, 5, 3}, {5, 3, -5, 3}, {0, 3, 9, 3}};
  ExpectSameAsEveryEdge(flat, rng, 10);
  const SegmentList square = {{-2000000000, -2000000000, 2000000000, -2000000000},
                              {2000000000, -2000000000, 2000000000, 2000000000},
                              {2000000000, 2000000000, -2000000000, 2000000000},
                              {-2000000000, 2000000000, -2000000000, -2000000000}};
  const EdgeBands bands(square);
  ASSERT_TRUE(bands.Usable());
  EXPECT_TRUE(bands.ContainsPoint({0, 0}));
  EXPECT_FALSE(bands.ContainsPoint({0, 2000000001}));
  EXPECT_FALSE(bands.ContainsPoint({2000000001, 0}));
}

TEST(EdgeBandsTest, TallEdgesEverywhereStillAnswerAlike) {
  // A comb whose every tooth is as tall as the whole list would be listed in every band: the
  // bands grow until they hold it.
  std::mt19937 rng(9);
  SegmentList comb;
  for (int32_t i = 0; i < 2000; ++i) comb.push_back({i * 10, 0, i * 10 + 5, 1000000});
  comb.push_back({20000, 1000000, 0, 0});
  ExpectSameAsEveryEdge(comb, rng, 1000000);
  const SegmentList none;
  const EdgeBands empty(none);
  EXPECT_FALSE(empty.ContainsPoint({0, 0}));
}

}  // namespace
}  // namespace tlv
