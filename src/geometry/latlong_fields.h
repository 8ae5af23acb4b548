// The fields of a latitude/longitude entry: whole or decimal degrees, minutes and seconds as the
// coordinate format shows them, plus a hemisphere per axis. Reading them back refuses anything
// that is not a coordinate with a message saying which field is wrong, so a typing slip never
// moves a point somewhere unintended.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/world_types.h"

namespace tlv {

// One axis as typed: the field texts in use by the format (decimal degrees uses degrees only,
// degrees and minutes leaves seconds unused) and the hemisphere letter: 'N' or 'S' for a
// latitude, 'E' or 'W' for a longitude.
struct LatLongAxisFields {
  std::array<std::string, 3> fields;  // degrees, minutes, seconds
  char hemisphere = 'N';
};

struct LatLongFields {
  LatLongAxisFields latitude;
  LatLongAxisFields longitude;
};

// The fields showing a point in a format: 6 decimals for decimal degrees, whole degrees and 2
// decimals of minutes, or whole degrees and minutes and 1 decimal of seconds.
LatLongFields LatLongFieldsOf(WPoint p, int16_t format);

// Reads the fields in a format into a world point. Empty text is not a coordinate; negative
// values, minutes or seconds of 60 or more, and more than 90 degrees of latitude or 180 of
// longitude are refused. Returns true, or false with the message to show in problem.
bool WorldPointFromFields(const LatLongFields& fields, int16_t format, WPoint& p,
                          std::string& problem);

}  // namespace tlv
