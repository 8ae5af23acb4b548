// Latitude/longitude <-> world coordinates and the three coordinate text formats.
#pragma once

#include <cstdint>
#include <string>

#include "base/world_types.h"

namespace tlv {

constexpr int32_t kWorldMaxX = 360000000;
constexpr int32_t kWorldMaxY = 180000000;
constexpr int32_t kWorldOffsetX = 180000000;  // world x of longitude 0
constexpr int32_t kWorldOffsetY = 90000000;   // world y of latitude 0
constexpr double kUnitsPerDegree = 1e6;
// The top bit of x marks a point that starts a new chain in a flagged WPoint list.
constexpr uint32_t kChainStartFlag = 0x80000000u;
constexpr int32_t kCoordinateMask = 0x7FFFFFFF;

// The degree sign and the minute sign of the coordinate texts (Windows-1252).
constexpr char kDegreeSign = '\xB0';
constexpr char kMinuteSign = '\x92';
constexpr char kSecondSign = '"';

// Absolute latitude and longitude in degrees with their hemisphere letters ('N'/'S', 'E'/'W').
struct LatLong {
  double latitude = 0;
  double longitude = 0;
  char latLetter = 'N';
  char longLetter = 'W';
};

struct DegMin {
  int32_t degrees = 0;
  double minutes = 0;
  char letter = 'N';
};

struct DegMinSec {
  int32_t degrees = 0;
  int32_t minutes = 0;
  double seconds = 0;
  char letter = 'N';
};

constexpr int kNoRounding = -1;

// Latitude and longitude are non-negative; 'S' and 'W' make them negative. The result is clamped
// into the world; a NaN degree value counts as 0 so that it never reaches a stored coordinate.
WPoint LatLongToWorld(double latitude, double longitude, char latLetter, char longLetter);

// Clamps the point into the world first; decimals = kNoRounding keeps every digit.
LatLong WorldToLatLong(WPoint p, int decimals = kNoRounding);

// Round half up to a number of decimals, as every coordinate text does.
double RoundToDecimals(double value, int decimals);

// decimals apply to the last field (minutes, or seconds); 60 of a field carries into the next.
void WorldToDegMin(WPoint p, int decimals, DegMin& lat, DegMin& lon);
void WorldToDegMinSec(WPoint p, int decimals, DegMinSec& lat, DegMinSec& lon);

// The latitude and longitude texts of a point in the given format (any unknown format is
// decimal degrees), or in the current coordinate format.
void FormatLatLong(WPoint p, int16_t format, std::string& latText, std::string& longText);
void FormatLatLong(WPoint p, std::string& latText, std::string& longText);

// Degrees from the fields of a latitude/longitude entry in the given format.
double LatLongFieldsToDegrees(int16_t format, double degrees, double minutes, double seconds);

// Rounds one coordinate text of the given format to a precision code (0, 3 or 6) in place.
// A text that does not read as that format, or an unknown code, is only trimmed.
void RoundLatLongText(std::string& text, int16_t precision, int16_t format);
void RoundLatLongText(std::string& text, int16_t precision);

// Removes trailing blanks.
void TrimTrailingBlanks(std::string& text);

}  // namespace tlv
