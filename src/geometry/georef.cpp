#include "geometry/georef.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "geometry/distance.h"
#include "geometry/geo_settings.h"

namespace tlv {

namespace {

constexpr double kWorldWidth = 360000000.0;
constexpr double kWorldHeight = 180000000.0;

double Clamp(double value, double low, double high) {
  return std::min(std::max(value, low), high);
}

// An edge in whole world units (the fraction dropped toward zero), held inside the world; false
// when it would not fit 32 bits at all.
bool Edge(double value, double worldEdge, int32_t& edge) {
  if (!std::isfinite(value) || value > std::numeric_limits<int32_t>::max() ||
      value < std::numeric_limits<int32_t>::min()) {
    return false;
  }
  edge = static_cast<int32_t>(std::trunc(Clamp(value, 0.0, worldEdge)));
  return true;
}

}  // namespace

std::string GeoRefProblemText(int32_t problem) {
  switch (problem) {
    case kGeoRefSamePlace:
      return "You seem to have placed the two points at the exact same location.  Please "
             "reposition one or both of them.";
    case kGeoRefRightButWest:
      return "You have placed point 2 to the right of point 1, but the longitude values you "
             "have specified indicate the opposite.";
    case kGeoRefLeftButEast:
      return "You have placed point 2 to the left of point 1, but the longitude values you have "
             "specified indicate the opposite.";
    case kGeoRefBelowButNorth:
      return "You have placed point 2 below point 1, but the latitude values you have specified "
             "indicate the opposite.";
    case kGeoRefAboveButSouth:
      return "You have placed point 2 above point 1, but the latitude values you have specified "
             "indicate the opposite.";
    case kGeoRefPastTheWorld:
      return "The picture would reach past the edge of the world with these points.  Please "
             "check their latitudes and longitudes.";
    default:
      return "";
  }
}

int32_t GeoRefCheck(const GeoRefPoint& p1, const GeoRefPoint& p2) {
  if (p1.column == p2.column && p1.row == p2.row) return kGeoRefSamePlace;
  if (p1.column < p2.column && p1.world.x >= p2.world.x) return kGeoRefRightButWest;
  if (p2.column < p1.column && p2.world.x >= p1.world.x) return kGeoRefLeftButEast;
  if (p1.row < p2.row && p2.world.y >= p1.world.y) return kGeoRefBelowButNorth;
  if (p2.row < p1.row && p1.world.y >= p2.world.y) return kGeoRefAboveButSouth;
  return kGeoRefFine;
}

int32_t PointFromDistance(const GeoRefPoint& p1, int32_t column2, int32_t row2, double distance,
                          int16_t unit, WPoint& world2) {
  if (column2 == p1.column && row2 == p1.row) return kGeoRefSamePlace;
  if (!std::isfinite(distance) || distance <= 0) return -1;
  const double b = std::fabs(static_cast<double>(column2) - p1.column);
  const double d = std::fabs(static_cast<double>(row2) - p1.row);
  const double s = distance / std::sqrt(b * b + d * d);
  const double perDegree = UnitsPerDegreeLatitude(unit);
  const double dx = (b * s) / (CosineOfWorldLatitude(p1.world.y) * perDegree) * 1000000.0;
  const double dy = (d * s) / perDegree * 1000000.0;
  const double x = column2 < p1.column ? p1.world.x - dx : p1.world.x + dx;
  // Rows grow downwards: a point below on the picture lies south.
  const double y = row2 > p1.row ? p1.world.y - dy : p1.world.y + dy;
  world2.x = static_cast<int32_t>(std::llround(Clamp(x, 0.0, kWorldWidth)));
  world2.y = static_cast<int32_t>(std::llround(Clamp(y, 0.0, kWorldHeight)));
  return 0;
}

double DefaultDistance(const GeoRefPoint& p1, const GeoRefPoint& p2, int16_t unit) {
  if (!p2.set) return 10.0;
  return GreatCircleDistance(p1.world, p2.world, unit);
}

std::string DistanceFieldText(double distance, int16_t unit) {
  char text[64];
  std::snprintf(text, sizeof text, IsSmallUnit(unit) ? "%.0f" : "%.2f", distance);
  return text;
}

int32_t GeoRefWorldRect(int32_t width, int32_t height, const GeoRefPoint& p1, const GeoRefPoint& p2,
                        WRect& rect, GeoRefScales* scales) {
  const int32_t problem = GeoRefCheck(p1, p2);
  if (problem != kGeoRefFine) return problem;
  const double x1 = p1.world.x;
  const double y1 = p1.world.y;
  const double x2 = p2.world.x;
  const double y2 = p2.world.y;
  const double minY = Clamp(std::min(y1, y2), 0.0, kWorldHeight);
  const double maxY = Clamp(std::max(y1, y2), 0.0, kWorldHeight);
  const double middle = (minY + maxY) / 2.0;
  const double c = CosineOfWorldLatitude(static_cast<int32_t>(middle));
  double sx = 0;
  double sy = 0;
  if (p1.row != p2.row) {
    sy = std::fabs(y2 - y1) / std::fabs(static_cast<double>(p2.row) - p1.row);
  }
  if (p1.column != p2.column) {
    sx = std::fabs(x2 - x1) / std::fabs(static_cast<double>(p2.column) - p1.column);
  }
  if (p1.row == p2.row) sy = sx * c;
  if (p1.column == p2.column) sx = sy / c;
  const GeoRefPoint& north = y1 >= y2 ? p1 : p2;
  const GeoRefPoint& south = y1 >= y2 ? p2 : p1;
  const GeoRefPoint& east = x1 >= x2 ? p1 : p2;
  const GeoRefPoint& west = x1 >= x2 ? p2 : p1;
  const double top = north.world.y + static_cast<double>(north.row) * sy;
  const double bottom = south.world.y - (static_cast<double>(height) - south.row) * sy;
  const double right = east.world.x + (static_cast<double>(width) - east.column) * sx;
  const double left = west.world.x - static_cast<double>(west.column) * sx;
  WRect result;
  if (!Edge(left, kWorldWidth, result.x1) || !Edge(bottom, kWorldHeight, result.y1) ||
      !Edge(right, kWorldWidth, result.x2) || !Edge(top, kWorldHeight, result.y2)) {
    return kGeoRefPastTheWorld;
  }
  rect = result;
  if (scales != nullptr) *scales = {sx, sy};
  return 0;
}

}  // namespace tlv
