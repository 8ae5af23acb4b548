#include "geometry/screen.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/errors.h"
#include "geometry/segments.h"
#include "geometry/wrect.h"

namespace tlv {

namespace {

// floor(span * offset / range + 0.5), computed in doubles as the coordinate rules state, and
// held inside limit.
inline int64_t ScaleRound(int64_t span, int64_t offset, int64_t range, double limit) {
  if (range == 0) return 0;
  const double v = std::floor(
      static_cast<double>(span) * static_cast<double>(offset) / static_cast<double>(range) + 0.5);
  return static_cast<int64_t>(std::clamp(v, -limit, limit));
}

}  // namespace

ScreenPoint WorldToScreenPoint(const ViewMapping& m, WPoint p) {
  const WRect& w = m.world;
  const ScreenRect& s = m.screen;
  constexpr double kLimit = kScreenCoordinateLimit;
  const int64_t sx = s.left + ScaleRound(int64_t{s.right} - s.left, int64_t{p.x} - w.x1,
                                         int64_t{w.x2} - w.x1, kLimit);
  const int64_t sy = s.bottom - ScaleRound(int64_t{s.bottom} - s.top, int64_t{p.y} - w.y1,
                                           int64_t{w.y2} - w.y1, kLimit);
  return ScreenPoint{static_cast<int32_t>(
                         std::clamp<int64_t>(sx, -kScreenCoordinateLimit, kScreenCoordinateLimit)),
                     static_cast<int32_t>(
                         std::clamp<int64_t>(sy, -kScreenCoordinateLimit, kScreenCoordinateLimit))};
}

WPoint ScreenToWorldPoint(const ViewMapping& m, ScreenPoint p) {
  const WRect& w = m.world;
  const ScreenRect& s = m.screen;
  constexpr double kLimit = 4294967296.0;
  const int64_t x = w.x1 + ScaleRound(int64_t{w.x2} - w.x1, int64_t{p.x} - s.left,
                                      int64_t{s.right} - s.left, kLimit);
  const int64_t y = w.y1 + ScaleRound(int64_t{w.y2} - w.y1, int64_t{s.bottom} - p.y,
                                      int64_t{s.bottom} - s.top, kLimit);
  return WPoint{SaturateToInt32(x), SaturateToInt32(y)};
}

WPoint ClampMousePoint(WPoint p) {
  return WPoint{std::clamp(p.x, 1, 359999999), std::clamp(p.y, 1, 179999999)};
}

ScreenRect WorldRectToScreen(const ViewMapping& m, const WRect& r) {
  const ScreenPoint topLeft = WorldToScreenPoint(m, WPoint{r.x1, r.y2});
  const ScreenPoint bottomRight = WorldToScreenPoint(m, WPoint{r.x2, r.y1});
  return ScreenRect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

WRect ScreenRectToWorld(const ViewMapping& m, const ScreenRect& r) {
  const WPoint leftTop = ScreenToWorldPoint(m, ScreenPoint{r.left, r.top});
  const WPoint rightBottom = ScreenToWorldPoint(m, ScreenPoint{r.right, r.bottom});
  return WRect{leftTop.x, rightBottom.y, rightBottom.x, leftTop.y};
}

int32_t ScreenToWorldPoints(const ViewMapping& m, Handle screenPoints, int32_t dx, int32_t dy,
                            Handle& worldPoints) {
  worldPoints = nullptr;
  const int32_t count =
      screenPoints != nullptr && *screenPoints != nullptr
          ? MyGetHandleSize(screenPoints) / static_cast<int32_t>(sizeof(ShortPoint))
          : 0;
  Handle out = MyNewHandle(count * static_cast<int32_t>(sizeof(WPoint)));
  if (out == nullptr) {
    const int32_t code = MyMemError() != 0 ? MyMemError() : kErrMemoryFull;
    ReportError("ScreenToWorldPoints()", "MyNewHandle()", code);
    return code;
  }
  for (int32_t i = 0; i < count; ++i) {
    ShortPoint sp;
    std::memcpy(&sp, *screenPoints + static_cast<size_t>(i) * sizeof(ShortPoint), sizeof sp);
    WPoint p = ScreenToWorldPoint(m, ScreenPoint{sp.x, sp.y});
    p.x = SaturateToInt32(int64_t{p.x} + dx);
    p.y = SaturateToInt32(int64_t{p.y} + dy);
    std::memcpy(*out + static_cast<size_t>(i) * sizeof(WPoint), &p, sizeof p);
  }
  worldPoints = out;
  return 0;
}

}  // namespace tlv
