#include "geometry/distance.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/strings.h"
#include "geometry/coordinates.h"
#include "geometry/geo_settings.h"
#include "geometry/segments.h"
#include "geometry/wrect.h"

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

int32_t RoundToWorld(double v) {
  if (std::isnan(v)) return 0;
  v = std::clamp(std::floor(v + 0.5), -2147483648.0, 2147483647.0);
  return static_cast<int32_t>(v);
}

// Sines and cosines of whole degrees from -180 to 180 (index 0 is -180), for the angle-sum
// form below.
struct DegreeTable {
  double sine[361];
  double cosine[361];
  DegreeTable() {
    for (int d = 0; d <= 360; ++d) {
      sine[d] = std::sin((d - 180) * kRadiansPerDegree);
      cosine[d] = std::cos((d - 180) * kRadiansPerDegree);
    }
  }
};

const DegreeTable& Degrees() {
  static const DegreeTable table;
  return table;
}

constexpr double kRadiansPerWorldUnit = kRadiansPerDegree / kUnitsPerDegree;

// Whole degrees from the table and the remaining fraction of a degree (under 0.0175 radians) by
// its series: several times faster than the library calls and within an ulp or two of them.
inline void SinCos(const DegreeTable& t, int64_t units, double& sine, double& cosine) {
  if (units < -180000000 || units > 180000000) {
    const double angle = static_cast<double>(units) / kUnitsPerDegree * kRadiansPerDegree;
    sine = std::sin(angle);
    cosine = std::cos(angle);
    return;
  }
  const uint32_t shifted = static_cast<uint32_t>(units + 180000000);
  const uint32_t whole = shifted / 1000000u;
  const double b = static_cast<double>(shifted - whole * 1000000u) * kRadiansPerWorldUnit;
  const double b2 = b * b;
  const double sinB = b + b * b2 * (-1.0 / 6 + b2 * (1.0 / 120 + b2 * (-1.0 / 5040)));
  const double cosB = 1.0 + b2 * (-0.5 + b2 * (1.0 / 24 + b2 * (-1.0 / 720 + b2 * (1.0 / 40320))));
  const double sinA = t.sine[whole];
  const double cosA = t.cosine[whole];
  sine = sinA * cosB + cosA * sinB;
  cosine = cosA * cosB - sinA * sinB;
}

}  // namespace

void WorldAngleSinCos(int32_t units, double& sine, double& cosine) {
  SinCos(Degrees(), units, sine, cosine);
}

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
  double sinPhi1, cosPhi1, sinPhi2, cosPhi2, sinDelta, cosDelta;
  const DegreeTable& t = Degrees();
  SinCos(t, int64_t{a.y} - kWorldOffsetY, sinPhi1, cosPhi1);
  SinCos(t, int64_t{b.y} - kWorldOffsetY, sinPhi2, cosPhi2);
  // cos l1 cos l2 + sin l1 sin l2 is cos(l1 - l2): one angle instead of two, and the difference
  // of the longitudes is exact in world units.
  int64_t delta = int64_t{a.x} - int64_t{b.x};
  if (delta > 180000000) delta -= 360000000;
  if (delta < -180000000) delta += 360000000;
  SinCos(t, delta, sinDelta, cosDelta);
  double d = cosPhi1 * cosPhi2 * cosDelta + sinPhi1 * sinPhi2;
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
