#include "geometry/distance.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "geometry/coordinates.h"
#include "geometry/geo_settings.h"
#include "geometry/segments.h"
#include "geometry/wrect.h"
#include "store/strings.h"

namespace tlv {

namespace {

struct UnitInfo {
  double unitsPerMile;
  double unitsPerDegree;
  double unitsInPaperUnit;
};

// Indexed by unit code; entry 0 is unused.
constexpr UnitInfo kUnits[7] = {
    {1.0, 69.0459911616, 1.0 / 63360.0},    {5280.0, 364562.8333332479815, 1.0 / 12.0},
    {1760.0, 121520.944444416, 1.0 / 36.0}, {1609.344, 111118.751599974, 0.01},
    {1.609344, 111.118751599974, 0.00001},  {1.0, 69.0459911616, 1.0 / 63360.0},
    {0.86897624, 60.0, 0.000013714843},
};

constexpr int16_t kUnitNameList = 16200;
constexpr int16_t kUnitAbbreviationList = 200;
constexpr int16_t kInchAbbreviation = 7;
constexpr int16_t kCentimetreAbbreviation = 8;

const UnitInfo& Info(int16_t unit) {
  return kUnits[NormaliseDistanceUnit(unit)];
}

double DegreesOfWorldY(int32_t y) {
  return (y - kWorldOffsetY) / kUnitsPerDegree;
}
double DegreesOfWorldX(int32_t x) {
  return (x - kWorldOffsetX) / kUnitsPerDegree;
}

int32_t RoundToWorld(double v) {
  if (std::isnan(v)) return 0;
  v = std::clamp(std::floor(v + 0.5), -2147483648.0, 2147483647.0);
  return static_cast<int32_t>(v);
}

}  // namespace

int16_t NormaliseDistanceUnit(int16_t unit) {
  return unit >= kUnitFeet && unit <= kUnitNauticalMiles ? unit : int16_t{kUnitMiles};
}

double UnitsPerMile(int16_t unit) {
  return Info(unit).unitsPerMile;
}
double UnitsPerDegreeLatitude(int16_t unit) {
  return Info(unit).unitsPerDegree;
}
double UnitsInPaperUnit(int16_t unit) {
  return Info(unit).unitsInPaperUnit;
}

bool IsMetricUnit(int16_t unit) {
  const int16_t u = NormaliseDistanceUnit(unit);
  return u == kUnitMeters || u == kUnitKilometers;
}

bool IsSmallUnit(int16_t unit) {
  const int16_t u = NormaliseDistanceUnit(unit);
  return u == kUnitFeet || u == kUnitYards || u == kUnitMeters;
}

std::string DistanceUnitName(int16_t unit) {
  return GetIndString(kUnitNameList, NormaliseDistanceUnit(unit));
}

std::string DistanceUnitAbbreviation(int16_t unit) {
  return GetIndString(kUnitAbbreviationList, NormaliseDistanceUnit(unit));
}

std::string PaperUnitAbbreviation(int16_t unit) {
  return GetIndString(kUnitAbbreviationList,
                      IsMetricUnit(unit) ? kCentimetreAbbreviation : kInchAbbreviation);
}

double ConvertDistance(double value, int16_t fromUnit, int16_t toUnit) {
  return value / UnitsPerMile(fromUnit) * UnitsPerMile(toUnit);
}

double CosineOfWorldLatitude(int32_t y) {
  const double c = std::cos(DegreesOfWorldY(std::clamp(y, 0, kWorldMaxY)) * kRadiansPerDegree);
  return std::max(c, kMinimumCosine);
}

double LatitudeDifferenceLength(int32_t dy, int16_t unit) {
  return UnitsPerDegreeLatitude(unit) * dy / kUnitsPerDegree;
}

double LongitudeDifferenceLength(int32_t dx, int32_t y, int16_t unit) {
  return CosineOfWorldLatitude(y) * UnitsPerDegreeLatitude(unit) * dx / kUnitsPerDegree;
}

int32_t LengthToWorldDy(double length, int16_t unit) {
  return RoundToWorld(length / UnitsPerDegreeLatitude(unit) * kUnitsPerDegree);
}

int32_t LengthToWorldDx(double length, int32_t y, int16_t unit) {
  return RoundToWorld(length / (CosineOfWorldLatitude(y) * UnitsPerDegreeLatitude(unit)) *
                      kUnitsPerDegree);
}

double GreatCircleDistance(WPoint a, WPoint b, int16_t unit) {
  const double phi1 = DegreesOfWorldY(a.y) * kRadiansPerDegree;
  const double lambda1 = DegreesOfWorldX(a.x) * kRadiansPerDegree;
  const double phi2 = DegreesOfWorldY(b.y) * kRadiansPerDegree;
  const double lambda2 = DegreesOfWorldX(b.x) * kRadiansPerDegree;
  const double cosPhi1 = std::cos(phi1);
  const double cosPhi2 = std::cos(phi2);
  double d = std::cos(lambda1) * cosPhi1 * (std::cos(lambda2) * cosPhi2) +
             std::sin(lambda1) * cosPhi1 * (std::sin(lambda2) * cosPhi2) +
             std::sin(phi1) * std::sin(phi2);
  // Rounding can push the cosine just past either end; acos would then give NaN.
  d = std::clamp(d, -1.0, 1.0);
  return std::acos(d) * UnitsPerDegreeLatitude(unit) * 360.0 / kTwoPi;
}

double GreatCircleDistance(WPoint a, WPoint b) {
  return GreatCircleDistance(a, b, CurrentGeometrySettings().distanceUnit);
}

double PointToWRectDistance(WPoint p, const WRect& r, int16_t unit) {
  const WPoint nearest{std::clamp(p.x, std::min(r.x1, r.x2), std::max(r.x1, r.x2)),
                       std::clamp(p.y, std::min(r.y1, r.y2), std::max(r.y1, r.y2))};
  return GreatCircleDistance(p, nearest, unit);
}

double PointToWRectFarDistance(WPoint p, const WRect& r, int16_t unit) {
  auto farther = [](int32_t v, int32_t lo, int32_t hi) {
    return std::llabs(int64_t{v} - lo) >= std::llabs(int64_t{v} - hi) ? lo : hi;
  };
  const WPoint far{farther(p.x, r.x1, r.x2), farther(p.y, r.y1, r.y2)};
  return GreatCircleDistance(p, far, unit);
}

double RingArea(Handle pathPoints, int32_t count, int16_t unit) {
  if (count < 2 || pathPoints == nullptr || *pathPoints == nullptr ||
      MyGetHandleSize(pathPoints) / static_cast<int32_t>(sizeof(PathPoint)) < count) {
    return 0;
  }
  auto read = [pathPoints](int32_t i) {
    PathPoint p;
    std::memcpy(&p, *pathPoints + static_cast<size_t>(i) * sizeof(PathPoint), sizeof p);
    return p;
  };
  WRect bounds = kEmptyWRect;
  for (int32_t i = 0; i < count; ++i) {
    const PathPoint p = read(i);
    UnionWRectPoint(bounds, WPoint{p.x, p.y});
  }
  const double perDegree = UnitsPerDegreeLatitude(unit);
  const double xScale = CosineOfWorldLatitude(WRectCentre(bounds).y) * perDegree / kUnitsPerDegree;
  const double yScale = perDegree / kUnitsPerDegree;
  const PathPoint origin = read(0);
  auto localX = [&](const PathPoint& p) { return (static_cast<double>(p.x) - origin.x) * xScale; };
  auto localY = [&](const PathPoint& p) { return (static_cast<double>(p.y) - origin.y) * yScale; };
  double total = 0;
  double ring = 0;
  PathPoint previous = origin;
  for (int32_t i = 1; i < count; ++i) {
    const PathPoint p = read(i);
    if (p.flag != 0) {
      total += ring;
      ring = 0;
    } else {
      ring += localX(previous) * localY(p) - localY(previous) * localX(p);
    }
    previous = p;
  }
  total += ring;
  return total / 2.0;
}

double RingArea(Handle pathPoints, int32_t count) {
  return RingArea(pathPoints, count, CurrentGeometrySettings().distanceUnit);
}

double ScaleFactorK(double pixelsPerInch) {
  if (!(pixelsPerInch > 0) || !std::isfinite(pixelsPerInch)) pixelsPerInch = kDefaultPixelsPerInch;
  return 1e6 / (pixelsPerInch * kMilesPerDegreeLatitude * kInchesPerMile);
}

}  // namespace tlv
