// The integer world-to-pixel mapping of the drawing pass, the clipping of segments to the view
// and the turning of rings of world points into screen rings.
#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/wrect.h"
#include "render/draw_object.h"

namespace tlv {
namespace {

int64_t Clamp64(int64_t v) {
  return std::clamp<int64_t>(v, -kScreenCoordinateLimit, kScreenCoordinateLimit);
}

// Larger pixel extents (printer pages) halve as they always did.
constexpr int32_t kMaxTablePower = 1 << 16;

void FillBounds(std::vector<int64_t>& bounds, int64_t w0, int64_t w1, int32_t p0, int32_t p1) {
  const int32_t m = (p0 + p1) >> 1;
  if (m == p0) return;
  const int64_t w = (w0 + w1) >> 1;
  bounds[static_cast<size_t>(m)] = w;
  FillBounds(bounds, w0, w, p0, m);
  FillBounds(bounds, w, w1, m, p1);
}

}  // namespace

void IntegerAxis::Setup(int32_t world0, int32_t world1, int32_t pixel0, int32_t pixels) {
  int32_t power = 2;
  while (power < pixels && power < (1 << 30)) power <<= 1;
  power_ = power;
  const int64_t span = std::max<int64_t>(1, static_cast<int64_t>(world1) - world0);
  const int64_t real = std::max<int32_t>(1, pixels);
  w0_ = world0;
  w1_ = world0 + std::max<int64_t>(1, span * power / real);
  p0_ = pixel0;
  pixelsPerUnit_ = static_cast<double>(power) / static_cast<double>(w1_ - w0_);
  bounds_.clear();
  if (power <= kMaxTablePower) {
    bounds_.assign(static_cast<size_t>(power) + 1, 0);
    bounds_[0] = w0_;
    bounds_[static_cast<size_t>(power)] = w1_;
    FillBounds(bounds_, w0_, w1_, 0, power);
  }
}

// Moves the intervals by whole widths until c lies within the world interval.
void IntegerAxis::Shift(int32_t c, int64_t& steps) const {
  const int64_t width = w1_ - w0_;
  steps = 0;
  if (w0_ > c) {
    steps = -((w0_ - c + width - 1) / width);
  } else if (w1_ < c) {
    steps = (c - w1_ + width - 1) / width;
  }
}

int32_t IntegerAxis::Map(int32_t c) const {
  if (bounds_.empty()) return MapByHalving(c);
  int64_t steps = 0;
  Shift(c, steps);
  const int64_t width = w1_ - w0_;
  // Moving both intervals by whole widths moves every compared value by the same amount.
  const int64_t local = c - steps * width;
  const int64_t last = power_ - 1;
  int64_t p = std::clamp<int64_t>(
      static_cast<int64_t>(static_cast<double>(local - w0_) * pixelsPerUnit_), 0, last);
  while (p > 0 && bounds_[static_cast<size_t>(p)] >= local) --p;
  while (p < last && bounds_[static_cast<size_t>(p + 1)] < local) ++p;
  return static_cast<int32_t>(Clamp64(p0_ + steps * power_ + p));
}

int32_t IntegerAxis::MapByHalving(int32_t c) const {
  int64_t steps = 0;
  Shift(c, steps);
  const int64_t width = w1_ - w0_;
  int64_t w0 = w0_ + steps * width;
  int64_t w1 = w1_ + steps * width;
  int64_t p0 = p0_ + steps * power_;
  int64_t p1 = p0 + power_;
  int64_t shift = 0;
  if (p0 < 0) {
    shift = -p0;
    p0 += shift;
    p1 += shift;
  }
  for (;;) {
    const int64_t m = (p0 + p1) >> 1;
    if (m == p0) return static_cast<int32_t>(Clamp64(p0 - shift));
    if (m == p1) return static_cast<int32_t>(Clamp64(p1 - shift));
    const int64_t w = (w0 + w1) >> 1;
    if (w < c) {
      w0 = w;
      p0 = m;
    } else {
      w1 = w;
      p1 = m;
    }
  }
}

void IntegerMapping::Setup(const WRect& world, const ScreenRect& area) {
  x_.Setup(world.x1, world.x2, area.left, area.right - area.left);
  y_.Setup(world.y1, world.y2, area.top, area.bottom - area.top);
  flip_ = area.top + area.bottom;
}

ScreenRect IntegerMapping::MapRect(const WRect& r) const {
  return {MapX(r.x1), MapY(r.y2), MapX(r.x2), MapY(r.y1)};
}

bool ClipSegmentToWRect(const WRect& r, WPoint& a, WPoint& b) {
  if (WPointInWRect(a, r) && WPointInWRect(b, r)) return true;
  // Liang-Barsky on doubles: world values and their differences are exact in a double.
  const double x0 = a.x, y0 = a.y;
  const double dx = static_cast<double>(b.x) - a.x;
  const double dy = static_cast<double>(b.y) - a.y;
  double t0 = 0.0, t1 = 1.0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - r.x1, r.x2 - x0, y0 - r.y1, r.y2 - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const WPoint na{static_cast<int32_t>(std::lround(x0 + t0 * dx)),
                  static_cast<int32_t>(std::lround(y0 + t0 * dy))};
  const WPoint nb{static_cast<int32_t>(std::lround(x0 + t1 * dx)),
                  static_cast<int32_t>(std::lround(y0 + t1 * dy))};
  a = na;
  b = nb;
  return true;
}

void RingsToScreen(const IntegerMapping& mapping, const std::vector<WPoint>& points,
                   const std::vector<int32_t>& ringStarts, std::vector<ScreenPoint>& out,
                   std::vector<int32_t>& ringSizes) {
  for (size_t r = 0; r < ringStarts.size(); ++r) {
    const size_t begin = static_cast<size_t>(ringStarts[r]);
    const size_t end =
        r + 1 < ringStarts.size() ? static_cast<size_t>(ringStarts[r + 1]) : points.size();
    const size_t first = out.size();
    for (size_t i = begin; i < end; ++i) {
      const ScreenPoint s = mapping.Map(points[i]);
      if (out.size() > first && out.back() == s) continue;
      out.push_back(s);
    }
    const size_t n = out.size() - first;
    if (n > 2) {
      if (!(out.back() == out[first])) out.push_back(out[first]);
    }
    // A ring that does not enclose anything (closed, fewer than three corners) adds nothing.
    const size_t closed = out.size() - first;
    if (n <= 2 || closed < 4) {
      out.resize(first);
      continue;
    }
    ringSizes.push_back(static_cast<int32_t>(closed));
  }
}

}  // namespace tlv
