// World rectangle operations. All arithmetic stays in whole world units and never wraps: results
// that would leave the 32-bit range are held at its ends.
#pragma once

#include <cstdint>

#include "base/world_types.h"

namespace tlv {

constexpr WRect kWorldWRect{0, 0, 360000000, 180000000};
// The start value of a bounding box grown point by point (same as kUnionStartRect).
constexpr WRect kEmptyWRect{360000000, 180000000, 0, 0};

WPoint WRectCentre(const WRect& r);
WRect OffsetWRect(const WRect& r, int32_t dx, int32_t dy);
// Moves every edge inward by (dx, dy); negative values grow the rectangle.
WRect InsetWRect(const WRect& r, int32_t dx, int32_t dy);
WRect OutsetWRect(const WRect& r, int32_t dx, int32_t dy);
// Grows r to take in p (the chain-start flag of p.x is masked off first).
void UnionWRectPoint(WRect& r, WPoint p);
void UnionWRect(WRect& r, const WRect& other);
// The common part; when there is none, the all-zero rectangle.
WRect IntersectWRect(const WRect& a, const WRect& b);
// Touching edges count as overlapping. Inline: the drawing pass asks this of every record.
inline bool WRectsOverlap(const WRect& a, const WRect& b) {
  return a.x1 <= b.x2 && b.x1 <= a.x2 && a.y1 <= b.y2 && b.y1 <= a.y2;
}
// Edges included. Inline: the drawing pass asks this of every vertex.
inline bool WPointInWRect(WPoint p, const WRect& r) {
  return p.x >= r.x1 && p.x <= r.x2 && p.y >= r.y1 && p.y <= r.y2;
}
// All four corners of inner lie in outer.
bool WRectInWRect(const WRect& inner, const WRect& outer);
// True for a rectangle whose maximum lies below its minimum on either axis (like kEmptyWRect).
bool WRectIsInverted(const WRect& r);

// Holds a 64-bit intermediate result inside the signed 32-bit range.
int32_t SaturateToInt32(int64_t value);

}  // namespace tlv
