// Conversions between world coordinates and pixels of a drawing surface. The mapping pairs a
// world rectangle with the pixel rectangle that shows it; the map view supplies the mapping of
// the map area, and printing and picture saving supply their own.
#pragma once

#include <cstdint>

#include "base/memory.h"
#include "base/world_types.h"

namespace tlv {

struct ScreenPoint {
  int32_t x = 0;
  int32_t y = 0;
};

// Pixels: y grows downward.
struct ScreenRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

inline bool operator==(const ScreenPoint& a, const ScreenPoint& b) {
  return a.x == b.x && a.y == b.y;
}
inline bool operator==(const ScreenRect& a, const ScreenRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

struct ViewMapping {
  WRect world;        // x1 left, y1 bottom, x2 right, y2 top
  ScreenRect screen;  // the pixels that show it
};

// Pixel results far outside any surface are held at +-kScreenCoordinateLimit so that a point
// off the map never overflows; a degenerate mapping puts every point on its left/bottom edge.
constexpr int32_t kScreenCoordinateLimit = 1 << 30;

ScreenPoint WorldToScreenPoint(const ViewMapping& m, WPoint p);
WPoint ScreenToWorldPoint(const ViewMapping& m, ScreenPoint s);
// Points taken from the mouse stay strictly inside the world.
WPoint ClampMousePoint(WPoint p);
ScreenRect WorldRectToScreen(const ViewMapping& m, const WRect& r);
// The top-left corner gives the world left and top, the bottom-right corner right and bottom.
WRect ScreenRectToWorld(const ViewMapping& m, const ScreenRect& r);
// A new Handle of WPoints, one per ShortPoint of screenPoints, each moved by (dx, dy) world
// units. Allocation failures are reported here.
int32_t ScreenToWorldPoints(const ViewMapping& m, Handle screenPoints, int32_t dx, int32_t dy,
                            Handle& worldPoints);

}  // namespace tlv
