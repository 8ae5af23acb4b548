// The user's choices that the coordinate and distance functions read: the distance unit and the
// coordinate text format. They live here until the settings file loader hands them over at
// start-up; the loader and the preference dialogs set them through these functions.
#pragma once

#include <cstdint>

namespace tlv {

// Distance units; any other value behaves as miles.
enum DistanceUnit : int16_t {
  kUnitFeet = 1,
  kUnitYards = 2,
  kUnitMeters = 3,
  kUnitKilometers = 4,
  kUnitMiles = 5,
  kUnitNauticalMiles = 6,
};

// Coordinate text formats; any other value behaves as decimal degrees.
enum CoordinateFormat : int16_t {
  kFormatDecimalDegrees = 0,
  kFormatDegMin = 1,
  kFormatDegMinSec = 2,
};

struct GeometrySettings {
  int16_t distanceUnit = kUnitMiles;
  int16_t coordinateFormat = kFormatDecimalDegrees;
};

const GeometrySettings& CurrentGeometrySettings();
void SetDistanceUnitSetting(int16_t unit);
void SetCoordinateFormatSetting(int16_t format);
// Back to miles and decimal degrees.
void ResetGeometrySettings();

}  // namespace tlv
