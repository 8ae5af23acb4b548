// The outlines of interchange records in degrees, shared by the shapefile and KML writers:
// world units to longitude and latitude, rings built piece by piece, and the rings of
// rectangles and circles as the program draws them.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "base/world_types.h"

namespace tlv::convert {

constexpr int kCirclePoints = 100;

inline double Longitude(int32_t x) {
  return (static_cast<double>(x) - 180000000.0) / 1000000.0;
}

inline double Latitude(int32_t y) {
  return (static_cast<double>(y) - 90000000.0) / 1000000.0;
}

struct Rings {
  std::vector<double> x;
  std::vector<double> y;
  std::vector<int> starts;

  void Start() { starts.push_back(static_cast<int>(x.size())); }
  void Add(double px, double py) {
    x.push_back(px);
    y.push_back(py);
  }
  // Ends the ring begun last with its first point, unless it ends there already.
  void Close() {
    if (starts.empty()) return;
    const auto first = static_cast<size_t>(starts.back());
    if (x.size() <= first) return;
    if (x.back() != x[first] || y.back() != y[first]) Add(x[first], y[first]);
  }
  void Clear() {
    x.clear();
    y.clear();
    starts.clear();
  }
};

// Five points, the first again at the end.
inline void RectangleRing(const WRect& r, Rings& rings) {
  rings.Start();
  rings.Add(Longitude(r.x1), Latitude(r.y1));
  rings.Add(Longitude(r.x1), Latitude(r.y2));
  rings.Add(Longitude(r.x2), Latitude(r.y2));
  rings.Add(Longitude(r.x2), Latitude(r.y1));
  rings.Add(Longitude(r.x1), Latitude(r.y1));
}

// The ellipse in the rectangle: kCirclePoints points and the closing one.
inline void EllipseRing(const WRect& r, Rings& rings) {
  const double cx = (Longitude(r.x1) + Longitude(r.x2)) / 2;
  const double cy = (Latitude(r.y1) + Latitude(r.y2)) / 2;
  const double rx = (Longitude(r.x2) - Longitude(r.x1)) / 2;
  const double ry = (Latitude(r.y2) - Latitude(r.y1)) / 2;
  rings.Start();
  for (int i = 0; i < kCirclePoints; ++i) {
    const double angle = 2 * M_PI * i / kCirclePoints;
    rings.Add(cx + rx * std::cos(angle), cy + ry * std::sin(angle));
  }
  rings.Close();
}

}  // namespace tlv::convert
