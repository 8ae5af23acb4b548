#include "geometry/segments.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/memory.h"
#include "geometry/coordinates.h"
#include "support/test_support.h"

namespace tlv {
namespace {

constexpr int32_t kFlag = static_cast<int32_t>(0x80000000u);

class SegmentsTest : public test::CoreTest {};

template <typename T>
ScopedHandle MakeList(const std::vector<T>& records) {
  Handle h = MyNewHandle(static_cast<int32_t>(records.size() * sizeof(T)));
  HandleArray<T> array(h);
  for (size_t i = 0; i < records.size(); ++i) array.Set(static_cast<int32_t>(i), records[i]);
  return ScopedHandle(h);
}

template <typename T>
std::vector<T> ReadList(Handle h) {
  HandleArray<T> array(h);
  std::vector<T> out;
  for (int32_t i = 0; i < array.Count(); ++i) out.push_back(array.Get(i));
  return out;
}

::testing::AssertionResult SamePoints(const std::vector<WPoint>& actual,
                                      const std::vector<WPoint>& expected) {
  if (actual.size() != expected.size()) {
    return ::testing::AssertionFailure()
           << actual.size() << " points, expected " << expected.size();
  }
  for (size_t i = 0; i < actual.size(); ++i) {
    if (!(actual[i] == expected[i])) {
      return ::testing::AssertionFailure()
             << "point " << i << " is (" << actual[i].x << ", " << actual[i].y << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

TEST_F(SegmentsTest, TwoSeparateChainsGiveTwoFlaggedStarts) {
  ScopedHandle segs = MakeList<Segment>({{10, 10, 20, 10}, {20, 10, 20, 20}, {100, 100, 110, 100}});
  Handle points = nullptr;
  WRect bounds;
  ASSERT_EQ(SegmentsToWPoints(segs.get(), 3, points, bounds), 0);
  ScopedHandle owned(points);
  EXPECT_TRUE(SamePoints(ReadList<WPoint>(points),
                         {{10 | kFlag, 10}, {20, 10}, {20, 20}, {100 | kFlag, 100}, {110, 100}}));
  EXPECT_EQ(bounds, (WRect{10, 10, 110, 100}));
}

TEST_F(SegmentsTest, AClosedRingEndsItsChainEvenWhenTheNextSegmentStartsThere) {
  ScopedHandle segs =
      MakeList<Segment>({{0, 0, 10, 0}, {10, 0, 0, 10}, {0, 10, 0, 0}, {0, 0, 5, 5}});
  Handle points = nullptr;
  WRect bounds;
  ASSERT_EQ(SegmentsToWPoints(segs.get(), 4, points, bounds), 0);
  ScopedHandle owned(points);
  EXPECT_TRUE(SamePoints(ReadList<WPoint>(points),
                         {{0 | kFlag, 0}, {10, 0}, {0, 10}, {0, 0}, {0 | kFlag, 0}, {5, 5}}));

  Handle path = nullptr;
  int32_t count = 0;
  ASSERT_EQ(SegmentsToPathPoints(segs.get(), 4, path, count), 0);
  ScopedHandle ownedPath(path);
  ASSERT_EQ(count, 6);
  EXPECT_EQ(MyGetHandleSize(path), 72);
  const std::vector<PathPoint> pp = ReadList<PathPoint>(path);
  const int32_t flags[6] = {1, 0, 0, 0, 1, 0};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(pp[i].flag, flags[i]) << i;
  EXPECT_EQ(pp[2].x, 0);
  EXPECT_EQ(pp[2].y, 10);
}

TEST_F(SegmentsTest, SegmentListBadCountIsRefused) {
  ScopedHandle segs = MakeList<Segment>({{0, 0, 1, 1}});
  Handle points = nullptr;
  WRect bounds;
  EXPECT_NE(SegmentsToWPoints(segs.get(), 2, points, bounds), 0);
  EXPECT_EQ(points, nullptr);
  EXPECT_NE(SegmentsToWPoints(nullptr, 1, points, bounds), 0);
}

TEST_F(SegmentsTest, RingsCloseWithOrWithoutARepeatedFirstPoint) {
  // A, B, C, A: the list already closes, three segments.
  ScopedHandle closed = MakeList<WPoint>({{0 | kFlag, 0}, {10, 0}, {10, 10}, {0, 0}});
  Handle segs = nullptr;
  int32_t count = 0;
  ASSERT_EQ(WPointsToSegments(closed.get(), segs, count), 0);
  ScopedHandle owned(segs);
  EXPECT_EQ(count, 3);
  std::vector<Segment> s = ReadList<Segment>(segs);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0], (Segment{0, 0, 10, 0}));
  EXPECT_EQ(s[2], (Segment{10, 10, 0, 0}));

  // A, B, C: a closing segment C to A is added.
  ScopedHandle open = MakeList<WPoint>({{0, 0}, {10, 0}, {10, 10}});
  ASSERT_EQ(WPointsToSegments(open.get(), segs, count), 0);
  owned.reset(segs);
  EXPECT_EQ(count, 3);
  s = ReadList<Segment>(segs);
  EXPECT_EQ(s[1], (Segment{10, 0, 10, 10}));
  EXPECT_EQ(s[2], (Segment{10, 10, 0, 0}));

  // A part of a longer list, and a part that runs past its end.
  ScopedHandle longer = MakeList<WPoint>({{9, 9}, {1, 1}, {2, 1}, {2, 2}, {9, 9}});
  ASSERT_EQ(WPointsToSegments(longer.get(), 1, 3, segs, count), 0);
  owned.reset(segs);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(ReadList<Segment>(segs)[2], (Segment{2, 2, 1, 1}));
  EXPECT_NE(WPointsToSegments(longer.get(), 3, 3, segs, count), 0);
  EXPECT_EQ(segs, nullptr);
}

TEST_F(SegmentsTest, RectangleSidesGrowByTheMarginInOrder) {
  Handle segs = nullptr;
  ASSERT_EQ(WRectSegments(WRect{10, 20, 30, 40}, 5, segs), 0);
  ScopedHandle owned(segs);
  const std::vector<Segment> s = ReadList<Segment>(segs);
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0], (Segment{5, 15, 5, 45}));    // left side upward
  EXPECT_EQ(s[1], (Segment{5, 45, 35, 45}));   // top rightward
  EXPECT_EQ(s[2], (Segment{35, 45, 35, 15}));  // right side downward
  EXPECT_EQ(s[3], (Segment{35, 15, 5, 15}));   // bottom leftward
}

TEST_F(SegmentsTest, DeleteAndAddSegments) {
  ScopedHandle segs = MakeList<Segment>({{0, 0, 10, 0}, {10, 0, 10, 10}, {10, 10, 0, 0}});
  int32_t count = 3;
  ASSERT_EQ(AddSegment(segs.get(), count, 1, WPoint{10, 4}), 0);
  EXPECT_EQ(count, 4);
  std::vector<Segment> s = ReadList<Segment>(segs.get());
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[1], (Segment{10, 0, 10, 4}));
  EXPECT_EQ(s[2], (Segment{10, 4, 10, 10}));
  EXPECT_EQ(s[3], (Segment{10, 10, 0, 0}));

  // A point on either end changes nothing.
  ASSERT_EQ(AddSegment(segs.get(), count, 0, WPoint{10, 0}), 0);
  EXPECT_EQ(count, 4);

  ASSERT_EQ(DeleteSegment(segs.get(), count, 0), 0);
  EXPECT_EQ(count, 3);
  s = ReadList<Segment>(segs.get());
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0], (Segment{10, 0, 10, 4}));

  ASSERT_EQ(AddSegment(segs.get(), count, Segment{1, 2, 3, 4}), 0);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(ReadList<Segment>(segs.get())[3], (Segment{1, 2, 3, 4}));

  EXPECT_EQ(DeleteSegment(segs.get(), count, 4), -1);
  EXPECT_EQ(DeleteSegment(segs.get(), count, -1), -1);
  EXPECT_EQ(AddSegment(segs.get(), count, 7, WPoint{1, 1}), -1);
  EXPECT_EQ(count, 4);
}

TEST_F(SegmentsTest, AllocationFailureIsReportedOnceAndReturnsNoList) {
  ScopedHandle segs = MakeList<Segment>({{0, 0, 1, 0}, {1, 0, 1, 1}});
  SetAllocationCeilingForTesting(8);
  Handle points = nullptr;
  WRect bounds;
  EXPECT_NE(SegmentsToWPoints(segs.get(), 2, points, bounds), 0);
  EXPECT_EQ(points, nullptr);
  EXPECT_EQ(platform().alerts.size(), 1u);
  int32_t count = 2;
  EXPECT_EQ(AddSegment(segs.get(), count, Segment{5, 5, 6, 6}), -1);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(platform().alerts.size(), 2u);
}

TEST_F(SegmentsTest, ListsTouchWhenAnyEndpointsMeet) {
  ScopedHandle a = MakeList<Segment>({{0, 0, 10, 0}, {10, 0, 10, 10}});
  ScopedHandle b = MakeList<Segment>({{50, 50, 60, 60}, {20, 20, 10, 10}});
  ScopedHandle c = MakeList<Segment>({{5, 0, 5, 10}});
  EXPECT_TRUE(SegmentListsTouch(a.get(), 2, b.get(), 2));
  // Crossing in the middle is not touching: only endpoints count.
  EXPECT_FALSE(SegmentListsTouch(a.get(), 2, c.get(), 1));
}

}  // namespace
}  // namespace tlv
