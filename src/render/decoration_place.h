// Where a floating decoration (scale bar, compass, time stamp) sits: a point of the map area in
// 1/32000 of its width and height, the decoration's box centred on it and kept inside the area,
// so a decoration dragged to an edge or a settings file with odd numbers never hides it.
#pragma once

#include <cstdint>

#include "geometry/screen.h"

namespace tlv {

// Positions are kept in 1/32000 of the map area; this marker means "not set yet".
constexpr int32_t kDecorationUnset = -32000;
constexpr int32_t kDecorationScale = 32000;
// Every decoration's box is grown by this many device units on each side.
constexpr int32_t kDecorationBoxGrowth = 3;

// The box of width x height device units (before its growth) for a decoration at (positionX,
// positionY), or at (defaultX, defaultY) (fractions of the area) while unset. Positions out of
// range are clamped; the grown box is moved back inside the area where it fits.
ScreenRect PlaceDecorationBox(const ScreenRect& area, int32_t positionX, int32_t positionY,
                              double defaultX, double defaultY, int32_t width, int32_t height);

// The position (1/32000 of the area, clamped to 0 to 32000) of a box centred on centre.
void DecorationPositionAt(const ScreenRect& area, ScreenPoint centre, int32_t& positionX,
                          int32_t& positionY);

}  // namespace tlv
