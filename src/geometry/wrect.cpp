#include "geometry/wrect.h"

#include <algorithm>
#include <limits>

#include "geometry/coordinates.h"

namespace tlv {

int32_t SaturateToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

WPoint WRectCentre(const WRect& r) {
  WPoint c;
  c.x = static_cast<int32_t>((int64_t{r.x1} + r.x2) / 2);
  c.y = static_cast<int32_t>((int64_t{r.y1} + r.y2) / 2);
  return c;
}

WRect OffsetWRect(const WRect& r, int32_t dx, int32_t dy) {
  return WRect{SaturateToInt32(int64_t{r.x1} + dx), SaturateToInt32(int64_t{r.y1} + dy),
               SaturateToInt32(int64_t{r.x2} + dx), SaturateToInt32(int64_t{r.y2} + dy)};
}

WRect InsetWRect(const WRect& r, int32_t dx, int32_t dy) {
  return WRect{SaturateToInt32(int64_t{r.x1} + dx), SaturateToInt32(int64_t{r.y1} + dy),
               SaturateToInt32(int64_t{r.x2} - dx), SaturateToInt32(int64_t{r.y2} - dy)};
}

WRect OutsetWRect(const WRect& r, int32_t dx, int32_t dy) {
  return WRect{SaturateToInt32(int64_t{r.x1} - dx), SaturateToInt32(int64_t{r.y1} - dy),
               SaturateToInt32(int64_t{r.x2} + dx), SaturateToInt32(int64_t{r.y2} + dy)};
}

void UnionWRectPoint(WRect& r, WPoint p) {
  const int32_t x = p.x & kCoordinateMask;
  r.x1 = std::min(r.x1, x);
  r.x2 = std::max(r.x2, x);
  r.y1 = std::min(r.y1, p.y);
  r.y2 = std::max(r.y2, p.y);
}

void UnionWRect(WRect& r, const WRect& other) {
  r.x1 = std::min(r.x1, other.x1);
  r.y1 = std::min(r.y1, other.y1);
  r.x2 = std::max(r.x2, other.x2);
  r.y2 = std::max(r.y2, other.y2);
}

WRect IntersectWRect(const WRect& a, const WRect& b) {
  WRect r{std::max(a.x1, b.x1), std::max(a.y1, b.y1), std::min(a.x2, b.x2), std::min(a.y2, b.y2)};
  if (r.y2 < r.y1 || r.x2 < r.x1) r = WRect{0, 0, 0, 0};
  return r;
}

bool WRectInWRect(const WRect& inner, const WRect& outer) {
  return WPointInWRect(WPoint{inner.x1, inner.y1}, outer) &&
         WPointInWRect(WPoint{inner.x2, inner.y1}, outer) &&
         WPointInWRect(WPoint{inner.x1, inner.y2}, outer) &&
         WPointInWRect(WPoint{inner.x2, inner.y2}, outer);
}

bool WRectIsInverted(const WRect& r) {
  return r.x2 < r.x1 || r.y2 < r.y1;
}

}  // namespace tlv
