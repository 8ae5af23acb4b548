// The near tests: whether a point, a segment, a rectangle or a ring lies within a distance of
// another. Distances are great-circle distances in a distance unit; "near" means at most the
// distance. Picking under a click, the spatial searches and the polygon operations all ask
// these, so an object counts as touched the same way everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/world_types.h"
#include "geometry/geo_settings.h"
#include "geometry/segments.h"

namespace tlv {

// How far counts as near: a distance in a unit and the same distance in world units along y
// and along x (at the latitude it was made for), which reject far points without trigonometry.
struct Reach {
  double distance = 0.0;
  int16_t unit = kUnitMiles;
  int32_t dx = 0;
  int32_t dy = 0;
};
// The reach of a distance around a place (its latitude sets the x extent). A negative or
// non-finite distance counts as 0.
Reach ReachAround(WPoint at, double distance, int16_t unit);

// Polylines, polygon rings and closed outlines: points, with the index where each ring (or
// chain) starts. starts is never empty when points is not, and starts[0] is 0.
struct Rings {
  std::vector<WPoint> points;
  std::vector<int32_t> starts;

  int32_t RingCount() const { return static_cast<int32_t>(starts.size()); }
  // Points [first, end) of ring i.
  int32_t RingBegin(int32_t i) const { return starts[static_cast<size_t>(i)]; }
  int32_t RingEnd(int32_t i) const {
    return i + 1 < RingCount() ? starts[static_cast<size_t>(i) + 1]
                               : static_cast<int32_t>(points.size());
  }
};
// Points whose x carries the piece bit (bit 31) where a new ring or chain starts, as the object
// records keep them; the bit is removed.
Rings RingsFromFlaggedPoints(const WPoint* points, int32_t count);
// The outline of a rectangle (one closed ring of four corners).
Rings RectangleRing(const WRect& r);
// The outline of the ellipse inscribed in a rectangle, as a ring of steps points (at least 8).
Rings EllipseRing(const WRect& r, int32_t steps = 64);

// A point is near a point when they are equal or their distance is at most the reach.
bool PointNearPoint(WPoint p, WPoint q, const Reach& reach);
// Near either end, or its projection (local lengths, x scaled by the cosine of p's latitude)
// falls between the ends and lies within the reach.
bool PointNearSegment(WPoint p, WPoint a, WPoint b, const Reach& reach);
// The x and y ranges overlap and neither segment has both ends of the other strictly on one
// side of it; touching counts as crossing.
bool SegmentsCross(WPoint a1, WPoint a2, WPoint b1, WPoint b2);
// They cross, or an end of one is near the other.
bool SegmentsNear(WPoint a1, WPoint a2, WPoint b1, WPoint b2, const Reach& reach);
// Inside (edges included), or within the reach of the nearest point of the rectangle.
bool PointNearWRect(WPoint p, const WRect& r, const Reach& reach);
// They overlap, or the gap between their nearest edges is within the reach.
bool WRectsNear(const WRect& a, const WRect& b, const Reach& reach);

// Within any one ring, an odd number of ring edges crosses the ray from p; rings are tested one
// after another and the first with an odd count decides. A vertex coordinate equal to p's is
// taken as one world unit larger, so a ray through a vertex counts it once.
bool RingsContainPoint(const Rings& rings, WPoint p);
// The area test of the polygon operations: even-odd over all edges of the list at once (every
// ring of a polygon counted together, so a ring inside another makes a hole), with the ray toward
// +x and a vertex coordinate equal to p's taken as one unit larger. The search test above decides
// ring by ring instead; the two answer differently for holes and must stay apart.
bool SegmentCrossesRay(const Segment& edge, WPoint p);
bool SegmentsContainPoint(const Segment* edges, size_t count, WPoint p);

// Some segment of the path (closed: each ring also joins its last point to its first) is near
// p; a ring of one point is that point.
bool PathNearPoint(const Rings& path, bool closed, WPoint p, const Reach& reach);
// Some vertex of the path lies in r or some segment crosses a side of r.
bool PathTouchesWRect(const Rings& path, bool closed, const WRect& r);

// One object as the spatial searches see it: its points and segments, and whether its inside
// counts. A symbol is a ring of one point; bounds holds every point.
struct NearShape {
  Rings outline;
  bool closed = false;
  bool area = false;
  WRect bounds{0, 0, 0, 0};
};
// A shape from its outline (bounds computed from the points).
NearShape MakeNearShape(Rings outline, bool closed, bool area);
// Two shapes are near when any pair of their points or segments is (crossing counts), or when
// one is an area that contains a vertex of the other.
bool ShapesNear(const NearShape& a, const NearShape& b, const Reach& reach);

}  // namespace tlv
