// The point-list shapes in which polyline and polygon geometry travels in memory: segments
// (x1, y1, x2, y2), flagged WPoints (the top bit of x starts a chain) and PathPoints (an explicit
// flag word). Every list is a Handle; a function that makes a list hands it to the caller, who
// disposes of it. Allocation failures are reported here, with this function's name, and come back
// as a non-zero code with no Handle.
#pragma once

#include <cstdint>

#include "base/memory.h"
#include "base/world_types.h"

namespace tlv {

struct Segment {
  int32_t x1 = 0;
  int32_t y1 = 0;
  int32_t x2 = 0;
  int32_t y2 = 0;
};

inline bool operator==(const Segment& a, const Segment& b) {
  return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

// flag 1 starts a new ring or chain, 0 continues it.
struct PathPoint {
  int32_t flag = 0;
  int32_t x = 0;
  int32_t y = 0;
};

// Screen points as kept in a drawn point list (two signed 16-bit coordinates).
struct ShortPoint {
  int16_t x = 0;
  int16_t y = 0;
};

static_assert(sizeof(Segment) == 16 && sizeof(PathPoint) == 12 && sizeof(WPoint) == 8 &&
              sizeof(ShortPoint) == 4);

// Flagged WPoints: a chain starts with the first segment, after a segment that closed its chain,
// and wherever a segment does not begin at the last point written. bounds is the WRect of all
// points, grown from the empty rectangle.
int32_t SegmentsToWPoints(Handle segments, int32_t count, Handle& points, WRect& bounds);

// A closed ring through all points of the list (flags masked off): one segment per point, less
// one when the list already ends where it began. The second form takes count points from index
// start.
int32_t WPointsToSegments(Handle points, Handle& segments, int32_t& segmentCount);
int32_t WPointsToSegments(Handle points, int32_t start, int32_t count, Handle& segments,
                          int32_t& segmentCount);

// Like SegmentsToWPoints, with flag 1 on every chain start.
int32_t SegmentsToPathPoints(Handle segments, int32_t count, Handle& pathPoints,
                             int32_t& pointCount);

// The four sides of r grown by marginWorld on every side: left side upward, top rightward,
// right side downward, bottom leftward. The map view supplies marginWorld as pixels times its
// world units per pixel.
int32_t WRectSegments(const WRect& r, int32_t marginWorld, Handle& segments);

// Removes segment index; returns -1 for an index outside the list.
int32_t DeleteSegment(Handle segments, int32_t& count, int32_t index);
// Splits segment index at p: its end becomes p and a segment from p to the old end follows it.
// Nothing happens when p equals either end of the segment.
int32_t AddSegment(Handle segments, int32_t& count, int32_t index, WPoint p);
// Appends a whole segment.
int32_t AddSegment(Handle segments, int32_t& count, const Segment& segment);

// Two segments are joined when an endpoint of one equals an endpoint of the other; two lists
// touch when any pair of their segments is joined.
bool SegmentsJoined(const Segment& a, const Segment& b);
bool SegmentListsTouch(Handle a, int32_t countA, Handle b, int32_t countB);

}  // namespace tlv
