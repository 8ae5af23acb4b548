#include "geometry/proximity.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "geometry/distance.h"
#include "geometry/wrect.h"

namespace tlv {
namespace {

constexpr uint32_t kPieceBit = 0x80000000u;
constexpr double kPi = 3.14159265358979323846;

bool WithinBounds(WPoint p, WPoint q, const Reach& reach) {
  return std::llabs(int64_t{p.x} - q.x) <= reach.dx && std::llabs(int64_t{p.y} - q.y) <= reach.dy;
}

// Which side of the line through a and b the point p lies on: > 0 left, < 0 right, 0 on it.
double Side(WPoint a, WPoint b, WPoint p) {
  const double abx = static_cast<double>(b.x) - a.x;
  const double aby = static_cast<double>(b.y) - a.y;
  const double apx = static_cast<double>(p.x) - a.x;
  const double apy = static_cast<double>(p.y) - a.y;
  return abx * apy - aby * apx;
}

bool RangesOverlap(int32_t a1, int32_t a2, int32_t b1, int32_t b2) {
  return std::min(a1, a2) <= std::max(b1, b2) && std::min(b1, b2) <= std::max(a1, a2);
}

// The two nearest coordinates of two ranges on one axis (equal when they overlap).
void NearestOnAxis(int32_t a1, int32_t a2, int32_t b1, int32_t b2, int32_t& a, int32_t& b) {
  if (a2 < b1) {
    a = a2;
    b = b1;
  } else if (b2 < a1) {
    a = a1;
    b = b2;
  } else {
    a = b = std::max(a1, b1);
  }
}

template <typename Visit>
bool AnySegment(const Rings& path, bool closed, Visit&& visit) {
  for (int32_t r = 0; r < path.RingCount(); ++r) {
    const int32_t begin = path.RingBegin(r);
    const int32_t end = path.RingEnd(r);
    for (int32_t i = begin; i + 1 < end; ++i) {
      if (visit(path.points[static_cast<size_t>(i)], path.points[static_cast<size_t>(i) + 1])) {
        return true;
      }
    }
    if (closed && end - begin > 2 &&
        visit(path.points[static_cast<size_t>(end) - 1], path.points[static_cast<size_t>(begin)])) {
      return true;
    }
  }
  return false;
}

}  // namespace

Reach ReachAround(WPoint at, double distance, int16_t unit) {
  Reach reach;
  reach.unit = unit;
  reach.distance = std::isfinite(distance) && distance > 0 ? distance : 0.0;
  // One unit of slack: the bounds only reject, the distance decides.
  reach.dy = LengthToWorldDy(reach.distance, unit) + 1;
  reach.dx = LengthToWorldDx(reach.distance, at.y, unit) + 1;
  return reach;
}

Rings RingsFromFlaggedPoints(const WPoint* points, int32_t count) {
  Rings rings;
  rings.points.reserve(static_cast<size_t>(std::max(count, 0)));
  for (int32_t i = 0; i < count; ++i) {
    WPoint p = points[i];
    const bool starts = i == 0 || (static_cast<uint32_t>(p.x) & kPieceBit) != 0;
    p.x = static_cast<int32_t>(static_cast<uint32_t>(p.x) & ~kPieceBit);
    if (starts) rings.starts.push_back(static_cast<int32_t>(rings.points.size()));
    rings.points.push_back(p);
  }
  return rings;
}

Rings RectangleRing(const WRect& r) {
  Rings rings;
  rings.points = {{r.x1, r.y1}, {r.x2, r.y1}, {r.x2, r.y2}, {r.x1, r.y2}};
  rings.starts = {0};
  return rings;
}

Rings EllipseRing(const WRect& r, int32_t steps) {
  steps = std::max(steps, 8);
  Rings rings;
  rings.starts = {0};
  const double cx = (static_cast<double>(r.x1) + r.x2) / 2;
  const double cy = (static_cast<double>(r.y1) + r.y2) / 2;
  const double rx = (static_cast<double>(r.x2) - r.x1) / 2;
  const double ry = (static_cast<double>(r.y2) - r.y1) / 2;
  for (int32_t i = 0; i < steps; ++i) {
    const double angle = 2 * kPi * i / steps;
    rings.points.push_back({static_cast<int32_t>(std::lround(cx + rx * std::cos(angle))),
                            static_cast<int32_t>(std::lround(cy + ry * std::sin(angle)))});
  }
  return rings;
}

bool PointNearPoint(WPoint p, WPoint q, const Reach& reach) {
  if (p == q) return true;
  if (!WithinBounds(p, q, reach)) return false;
  return GreatCircleDistance(p, q, reach.unit) <= reach.distance;
}

bool PointNearSegment(WPoint p, WPoint a, WPoint b, const Reach& reach) {
  // Outside the segment's box grown by the reach nothing of it can be near.
  if (int64_t{p.x} < int64_t{std::min(a.x, b.x)} - reach.dx ||
      int64_t{p.x} > int64_t{std::max(a.x, b.x)} + reach.dx ||
      int64_t{p.y} < int64_t{std::min(a.y, b.y)} - reach.dy ||
      int64_t{p.y} > int64_t{std::max(a.y, b.y)} + reach.dy) {
    return false;
  }
  if (PointNearPoint(p, a, reach) || PointNearPoint(p, b, reach)) return true;
  const double cosine = CosineOfWorldLatitude(p.y);
  const double abx = (static_cast<double>(b.x) - a.x) * cosine;
  const double aby = static_cast<double>(b.y) - a.y;
  const double apx = (static_cast<double>(p.x) - a.x) * cosine;
  const double apy = static_cast<double>(p.y) - a.y;
  const double lengthSquared = abx * abx + aby * aby;
  if (lengthSquared <= 0) return false;
  const double t = (apx * abx + apy * aby) / lengthSquared;
  if (t <= 0 || t >= 1) return false;
  const WPoint projected{
      static_cast<int32_t>(std::lround(a.x + t * (static_cast<double>(b.x) - a.x))),
      static_cast<int32_t>(std::lround(a.y + t * (static_cast<double>(b.y) - a.y)))};
  return GreatCircleDistance(p, projected, reach.unit) <= reach.distance;
}

bool SegmentsCross(WPoint a1, WPoint a2, WPoint b1, WPoint b2) {
  if (!RangesOverlap(a1.x, a2.x, b1.x, b2.x) || !RangesOverlap(a1.y, a2.y, b1.y, b2.y)) {
    return false;
  }
  const double s1 = Side(a1, a2, b1);
  const double s2 = Side(a1, a2, b2);
  if ((s1 > 0 && s2 > 0) || (s1 < 0 && s2 < 0)) return false;
  const double s3 = Side(b1, b2, a1);
  const double s4 = Side(b1, b2, a2);
  return !((s3 > 0 && s4 > 0) || (s3 < 0 && s4 < 0));
}

bool SegmentsNear(WPoint a1, WPoint a2, WPoint b1, WPoint b2, const Reach& reach) {
  return SegmentsCross(a1, a2, b1, b2) || PointNearSegment(a1, b1, b2, reach) ||
         PointNearSegment(a2, b1, b2, reach) || PointNearSegment(b1, a1, a2, reach) ||
         PointNearSegment(b2, a1, a2, reach);
}

bool PointNearWRect(WPoint p, const WRect& r, const Reach& reach) {
  const WRect box{std::min(r.x1, r.x2), std::min(r.y1, r.y2), std::max(r.x1, r.x2),
                  std::max(r.y1, r.y2)};
  if (WPointInWRect(p, box)) return true;
  if (int64_t{p.x} < int64_t{box.x1} - reach.dx || int64_t{p.x} > int64_t{box.x2} + reach.dx ||
      int64_t{p.y} < int64_t{box.y1} - reach.dy || int64_t{p.y} > int64_t{box.y2} + reach.dy) {
    return false;
  }
  return PointToWRectDistance(p, box, reach.unit) <= reach.distance;
}

bool WRectsNear(const WRect& a, const WRect& b, const Reach& reach) {
  if (WRectsOverlap(a, b)) return true;
  WPoint pa, pb;
  NearestOnAxis(a.x1, a.x2, b.x1, b.x2, pa.x, pb.x);
  NearestOnAxis(a.y1, a.y2, b.y1, b.y2, pa.y, pb.y);
  if (!WithinBounds(pa, pb, reach)) return false;
  return GreatCircleDistance(pa, pb, reach.unit) <= reach.distance;
}

bool RingsContainPoint(const Rings& rings, WPoint p) {
  // A coordinate equal to the point's is moved one unit up, so no vertex lies on the ray.
  auto shifted = [&p](WPoint v) {
    if (v.x == p.x) ++v.x;
    if (v.y == p.y) ++v.y;
    return v;
  };
  for (int32_t r = 0; r < rings.RingCount(); ++r) {
    const int32_t begin = rings.RingBegin(r);
    const int32_t end = rings.RingEnd(r);
    if (end - begin < 3) continue;
    bool odd = false;
    for (int32_t i = begin; i < end; ++i) {
      const WPoint a = shifted(rings.points[static_cast<size_t>(i)]);
      const WPoint b = shifted(rings.points[static_cast<size_t>(i + 1 < end ? i + 1 : begin)]);
      if ((a.y > p.y) == (b.y > p.y)) continue;
      // Where the edge meets the ray's line.
      const double t = (static_cast<double>(p.y) - a.y) / (static_cast<double>(b.y) - a.y);
      const double x = a.x + t * (static_cast<double>(b.x) - a.x);
      if (x > p.x) odd = !odd;
    }
    if (odd) return true;
  }
  return false;
}

bool SegmentCrossesRay(const Segment& edge, WPoint p) {
  const int64_t ax = edge.x1 == p.x ? int64_t{edge.x1} + 1 : edge.x1;
  const int64_t ay = edge.y1 == p.y ? int64_t{edge.y1} + 1 : edge.y1;
  const int64_t bx = edge.x2 == p.x ? int64_t{edge.x2} + 1 : edge.x2;
  const int64_t by = edge.y2 == p.y ? int64_t{edge.y2} + 1 : edge.y2;
  if ((ay > p.y) == (by > p.y)) return false;
  // Where the edge meets the ray's line lies right of p, decided exactly in integers: the
  // products stay below 2^57 for world coordinates.
  const int64_t side = (ax - p.x) * (by - ay) + (int64_t{p.y} - ay) * (bx - ax);
  return by > ay ? side > 0 : side < 0;
}

bool SegmentsContainPoint(const Segment* edges, size_t count, WPoint p) {
  bool odd = false;
  for (size_t i = 0; i < count; ++i) {
    if (SegmentCrossesRay(edges[i], p)) odd = !odd;
  }
  return odd;
}

bool PathNearPoint(const Rings& path, bool closed, WPoint p, const Reach& reach) {
  for (int32_t r = 0; r < path.RingCount(); ++r) {
    if (path.RingEnd(r) - path.RingBegin(r) == 1 &&
        PointNearPoint(p, path.points[static_cast<size_t>(path.RingBegin(r))], reach)) {
      return true;
    }
  }
  return AnySegment(path, closed,
                    [&](WPoint a, WPoint b) { return PointNearSegment(p, a, b, reach); });
}

bool PathTouchesWRect(const Rings& path, bool closed, const WRect& r) {
  for (const WPoint& p : path.points) {
    if (WPointInWRect(p, r)) return true;
  }
  const WPoint c[4] = {{r.x1, r.y1}, {r.x2, r.y1}, {r.x2, r.y2}, {r.x1, r.y2}};
  return AnySegment(path, closed, [&](WPoint a, WPoint b) {
    for (int i = 0; i < 4; ++i) {
      if (SegmentsCross(a, b, c[i], c[(i + 1) % 4])) return true;
    }
    return false;
  });
}

NearShape MakeNearShape(Rings outline, bool closed, bool area) {
  NearShape shape;
  shape.outline = std::move(outline);
  shape.closed = closed;
  shape.area = area;
  WRect bounds = kUnionStartRect;
  for (const WPoint& p : shape.outline.points) {
    bounds.x1 = std::min(bounds.x1, p.x);
    bounds.y1 = std::min(bounds.y1, p.y);
    bounds.x2 = std::max(bounds.x2, p.x);
    bounds.y2 = std::max(bounds.y2, p.y);
  }
  if (!shape.outline.points.empty()) shape.bounds = bounds;
  return shape;
}

namespace {

// Every segment of a shape, a ring of one point giving the segment from the point to itself so
// that symbols take part in the same tests as lines.
template <typename Visit>
bool AnyPiece(const NearShape& shape, Visit&& visit) {
  const Rings& path = shape.outline;
  for (int32_t r = 0; r < path.RingCount(); ++r) {
    if (path.RingEnd(r) - path.RingBegin(r) == 1) {
      const WPoint p = path.points[static_cast<size_t>(path.RingBegin(r))];
      if (visit(p, p)) return true;
    }
  }
  return AnySegment(path, shape.closed, visit);
}

// An area holds the other shape when it holds the first point of any of the other's rings; when
// no segments meet, every point of a ring lies on the same side of the area's edges.
bool AreaHoldsVertex(const NearShape& area, const NearShape& other) {
  if (!area.area || area.outline.points.empty()) return false;
  if (!WRectsOverlap(area.bounds, other.bounds)) return false;
  for (int32_t r = 0; r < other.outline.RingCount(); ++r) {
    if (other.outline.RingEnd(r) == other.outline.RingBegin(r)) continue;
    if (RingsContainPoint(area.outline,
                          other.outline.points[static_cast<size_t>(other.outline.RingBegin(r))])) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool ShapesNear(const NearShape& a, const NearShape& b, const Reach& reach) {
  if (a.outline.points.empty() || b.outline.points.empty()) return false;
  const WRect grown = OutsetWRect(a.bounds, reach.dx, reach.dy);
  if (!WRectsOverlap(grown, b.bounds)) return false;
  const bool piecesNear = AnyPiece(a, [&](WPoint a1, WPoint a2) {
    // Only the pieces of b within reach of this piece's box can be near it.
    const WRect box = OutsetWRect(
        {std::min(a1.x, a2.x), std::min(a1.y, a2.y), std::max(a1.x, a2.x), std::max(a1.y, a2.y)},
        reach.dx, reach.dy);
    if (!WRectsOverlap(box, b.bounds)) return false;
    return AnyPiece(b, [&](WPoint b1, WPoint b2) {
      const WRect other{std::min(b1.x, b2.x), std::min(b1.y, b2.y), std::max(b1.x, b2.x),
                        std::max(b1.y, b2.y)};
      return WRectsOverlap(box, other) && SegmentsNear(a1, a2, b1, b2, reach);
    });
  });
  return piecesNear || AreaHoldsVertex(a, b) || AreaHoldsVertex(b, a);
}

}  // namespace tlv
