#include "geometry/latlong_fields.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "geometry/coordinates.h"
#include "geometry/geo_settings.h"

namespace tlv {

namespace {

constexpr const char* kFieldWords[3] = {"degrees", "minutes", "seconds"};

std::string Fixed(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// A number typed by the user: optional blanks around it, nothing else.
bool ReadNumber(const std::string& text, double& value) {
  const char* start = text.c_str();
  while (*start == ' ') ++start;
  if (*start == '\0') return false;
  char* end = nullptr;
  value = std::strtod(start, &end);
  if (end == start) return false;
  while (*end == ' ') ++end;
  return *end == '\0' && std::isfinite(value);
}

int FieldsUsed(int16_t format) {
  if (format == kFormatDegMin) return 2;
  if (format == kFormatDegMinSec) return 3;
  return 1;
}

bool ReadAxis(const LatLongAxisFields& axis, int16_t format, bool latitude, double& degrees,
              std::string& problem) {
  const char* axisWord = latitude ? "latitude" : "longitude";
  const int used = FieldsUsed(format);
  double values[3] = {0, 0, 0};
  for (int i = 0; i < used; ++i) {
    if (!ReadNumber(axis.fields[static_cast<size_t>(i)], values[i])) {
      problem = std::string("The ") + axisWord + " " + kFieldWords[i] + " must be a number.";
      return false;
    }
    if (values[i] < 0) {
      problem = std::string("The ") + axisWord + " " + kFieldWords[i] +
                " cannot be negative; choose the hemisphere instead.";
      return false;
    }
    if (i > 0 && values[i] >= 60) {
      problem = std::string("The ") + axisWord + " " + kFieldWords[i] + " must be less than 60.";
      return false;
    }
    // Whole degrees (and whole minutes) when a finer field follows.
    if (i + 1 < used && values[i] != std::floor(values[i])) {
      problem = std::string("The ") + axisWord + " " + kFieldWords[i] +
                " must be a whole number when " + kFieldWords[i + 1] + " follow.";
      return false;
    }
  }
  degrees = LatLongFieldsToDegrees(format, values[0], values[1], values[2]);
  const double limit = latitude ? 90.0 : 180.0;
  if (degrees > limit) {
    problem = std::string("The ") + axisWord + " cannot be more than " + (latitude ? "90" : "180") +
              " degrees.";
    return false;
  }
  const char expected[2] = {latitude ? 'N' : 'E', latitude ? 'S' : 'W'};
  if (axis.hemisphere != expected[0] && axis.hemisphere != expected[1]) {
    problem = std::string("The ") + axisWord + " needs a hemisphere.";
    return false;
  }
  return true;
}

void FillAxis(LatLongAxisFields& axis, int16_t format, double degrees, int32_t wholeDegrees,
              int32_t minutes, double last, char letter) {
  axis.hemisphere = letter;
  axis.fields = {"", "", ""};
  if (format == kFormatDegMin) {
    axis.fields[0] = std::to_string(wholeDegrees);
    axis.fields[1] = Fixed(last, 2);
  } else if (format == kFormatDegMinSec) {
    axis.fields[0] = std::to_string(wholeDegrees);
    axis.fields[1] = std::to_string(minutes);
    axis.fields[2] = Fixed(last, 1);
  } else {
    axis.fields[0] = Fixed(degrees, 6);
  }
}

}  // namespace

LatLongFields LatLongFieldsOf(WPoint p, int16_t format) {
  LatLongFields fields;
  if (format == kFormatDegMin) {
    DegMin lat, lon;
    WorldToDegMin(p, 2, lat, lon);
    FillAxis(fields.latitude, format, 0, lat.degrees, 0, lat.minutes, lat.letter);
    FillAxis(fields.longitude, format, 0, lon.degrees, 0, lon.minutes, lon.letter);
  } else if (format == kFormatDegMinSec) {
    DegMinSec lat, lon;
    WorldToDegMinSec(p, 1, lat, lon);
    FillAxis(fields.latitude, format, 0, lat.degrees, lat.minutes, lat.seconds, lat.letter);
    FillAxis(fields.longitude, format, 0, lon.degrees, lon.minutes, lon.seconds, lon.letter);
  } else {
    const LatLong ll = WorldToLatLong(p, 6);
    FillAxis(fields.latitude, kFormatDecimalDegrees, ll.latitude, 0, 0, 0, ll.latLetter);
    FillAxis(fields.longitude, kFormatDecimalDegrees, ll.longitude, 0, 0, 0, ll.longLetter);
  }
  return fields;
}

bool WorldPointFromFields(const LatLongFields& fields, int16_t format, WPoint& p,
                          std::string& problem) {
  double latitude = 0;
  double longitude = 0;
  if (!ReadAxis(fields.latitude, format, true, latitude, problem) ||
      !ReadAxis(fields.longitude, format, false, longitude, problem)) {
    return false;
  }
  problem.clear();
  p = LatLongToWorld(latitude, longitude, fields.latitude.hemisphere, fields.longitude.hemisphere);
  return true;
}

}  // namespace tlv
