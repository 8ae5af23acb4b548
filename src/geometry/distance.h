// Distance units, local lengths in world units, great-circle distances, ring areas and the
// world-units-per-pixel factor of the map view.
#pragma once

#include <cstdint>
#include <string>

#include "base/memory.h"
#include "base/world_types.h"

namespace tlv {

// The constants of the distance measures; these are the values the stored distances and
// search radii were made with, so they are kept as they are rather than taken from <numbers>.
constexpr double kRadiansPerDegree = 0.017453292519944444;
constexpr double kTwoPi = 6.28318530718;
constexpr double kMilesPerDegreeLatitude = 69.0459911616;
constexpr double kInchesPerMile = 63360.0;
constexpr double kCentimetresPerInch = 2.54;
// Cosines are held at least this large so that nothing divides by the cosine of a pole.
constexpr double kMinimumCosine = 1e-6;
constexpr double kDefaultPixelsPerInch = 96.0;

// 1 to 6; anything else is miles.
int16_t NormaliseDistanceUnit(int16_t unit);
double UnitsPerMile(int16_t unit);
double UnitsPerDegreeLatitude(int16_t unit);
// Ground length of one paper unit (an inch, or a centimetre for the metric units) at 1:1.
double UnitsInPaperUnit(int16_t unit);
// Meters and kilometers, whose scale texts use centimetres.
bool IsMetricUnit(int16_t unit);
// Feet, yards and meters, whose scale texts carry no decimals.
bool IsSmallUnit(int16_t unit);

// The unit's full name ("miles") and abbreviation ("mi"), and the paper unit of the scale text
// ("in" or "cm"), from the string table.
std::string DistanceUnitName(int16_t unit);
std::string DistanceUnitAbbreviation(int16_t unit);
std::string PaperUnitAbbreviation(int16_t unit);

// Converts through miles.
double ConvertDistance(double value, int16_t fromUnit, int16_t toUnit);

// Cosine of the latitude of world y (clamped into the world), never below kMinimumCosine.
double CosineOfWorldLatitude(int32_t y);

// Lengths of world differences measured locally, in the given unit, and back to world units
// (rounded, held inside the 32-bit range).
double LatitudeDifferenceLength(int32_t dy, int16_t unit);
double LongitudeDifferenceLength(int32_t dx, int32_t y, int16_t unit);
int32_t LengthToWorldDy(double length, int16_t unit);
int32_t LengthToWorldDx(double length, int32_t y, int16_t unit);

// Sine and cosine of an angle given in world units (millionths of a degree).
void WorldAngleSinCos(int32_t units, double& sine, double& cosine);

// Great-circle distance in the given unit, or in the current distance unit.
double GreatCircleDistance(WPoint a, WPoint b, int16_t unit);
double GreatCircleDistance(WPoint a, WPoint b);

// Distance from p to the nearest point of r, and to the far corner of r (the farther edge on
// each axis).
double PointToWRectDistance(WPoint p, const WRect& r, int16_t unit);
double PointToWRectFarDistance(WPoint p, const WRect& r, int16_t unit);

// Signed area, in square units, of the rings of a PathPoint list; lengths are measured at the
// centre of the list's bounding rectangle. A count that does not fit the Handle gives 0.
double RingArea(Handle pathPoints, int32_t count, int16_t unit);
double RingArea(Handle pathPoints, int32_t count);

// World units per pixel at scale 1:1 for a screen of the given horizontal resolution; a
// resolution that is not a positive number counts as kDefaultPixelsPerInch.
double ScaleFactorK(double pixelsPerInch);

}  // namespace tlv
