// Geo-referencing a picture from two control points: each a pixel of the picture and the world
// position it shows. The picture is never rotated; east-west and north-south are scaled apart,
// and from the two scales the world rectangle of the whole picture follows.
#pragma once

#include <cstdint>
#include <string>

#include "base/world_types.h"

namespace tlv {

// Picture positions are 32-bit: photographs can be wider than 32,767 pixels.
struct GeoRefPoint {
  int32_t column = -100;  // to the right
  int32_t row = -100;     // downwards
  WPoint world{180000000, 90000000};
  bool set = false;  // whether the world position was given
};

// What GeoRefCheck found: 0, or the number of the first refusal in checking order.
enum GeoRefProblem : int32_t {
  kGeoRefFine = 0,
  kGeoRefSamePlace = 1,
  kGeoRefRightButWest = 2,
  kGeoRefLeftButEast = 3,
  kGeoRefBelowButNorth = 4,
  kGeoRefAboveButSouth = 5,
  // Not a check of the two points: the rectangle they give would pass the 32-bit range.
  kGeoRefPastTheWorld = 6,
};

// The stop text of a problem (empty for kGeoRefFine).
std::string GeoRefProblemText(int32_t problem);

// The checks made before the rectangle is computed, in order; the first that applies.
int32_t GeoRefCheck(const GeoRefPoint& p1, const GeoRefPoint& p2);

// Point 2's world position from its picture position and its distance (in unit) from point 1:
// the distance per pixel along the picture's diagonal between the points, east-west shrunk by
// the cosine of point 1's latitude. Equal picture positions are refused (kGeoRefSamePlace), as
// is a distance that is not a positive finite number (-1). The result is rounded and held inside
// the world.
int32_t PointFromDistance(const GeoRefPoint& p1, int32_t column2, int32_t row2, double distance,
                          int16_t unit, WPoint& world2);

// The distance field's starting value: 10, or the great-circle distance between the points when
// point 2 is set; and its text (no decimals for feet, yards and meters, two otherwise).
double DefaultDistance(const GeoRefPoint& p1, const GeoRefPoint& p2, int16_t unit);
std::string DistanceFieldText(double distance, int16_t unit);

// The world rectangle of a picture of width x height pixels: 0, or the problem found
// (GeoRefCheck's, or kGeoRefPastTheWorld when an edge would pass the 32-bit range). Edges
// beyond the world are held at its edge.
// scales, when given, receives world units per pixel east-west (sx) and north-south (sy).
struct GeoRefScales {
  double sx = 0;
  double sy = 0;
};
int32_t GeoRefWorldRect(int32_t width, int32_t height, const GeoRefPoint& p1, const GeoRefPoint& p2,
                        WRect& rect, GeoRefScales* scales = nullptr);

}  // namespace tlv
