// The compass that floats over the map: a north-arrow picture (the program's compass.png) drawn
// with the AND raster operation, so its white leaves the map visible and its black stays black.
#pragma once

#include <cstdint>

#include "geometry/screen.h"
#include "render/decoration_place.h"
#include "render/draw_object.h"
#include "render/draw_port.h"

namespace tlv {

struct CompassOptions {
  int32_t positionX = kDecorationUnset;  // 1/32000 of the area; unset: the default (0.2, 0.2)
  int32_t positionY = kDecorationUnset;
};

struct CompassLayout {
  ScreenRect picture;  // where the picture's pixels go
  ScreenRect box;      // the picture grown by 3 device units on each side
};

// The whole-number ratio of a drawing area's width to the map window's width (1 on the screen,
// at least 1), by which the compass picture is enlarged on pages and large pictures.
int32_t CompassEnlargement(int32_t areaWidth, int32_t windowWidth);

// The layout of a picture of width x height pixels enlarged by factor in the area.
CompassLayout LayOutCompass(const ScreenRect& area, int32_t width, int32_t height, int32_t factor,
                            const CompassOptions& options);

// Draws the picture in its place with the AND raster operation. False when there is no picture
// or the surface cannot draw one.
bool DrawCompass(DrawPort& port, const ScreenRect& area, const PictureImage& picture,
                 int32_t factor, const CompassOptions& options);

}  // namespace tlv
