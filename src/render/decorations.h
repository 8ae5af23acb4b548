// The decorations floating over the map (scale bar, compass, time stamp), laid out and drawn in
// one step after the overlays, so the window, saved pictures and printed pages show them alike.
// Each keeps its own place in 1/32000 of the map area; the window finds them under the pointer
// to drag them.
#pragma once

#include <cstdint>

#include "base/platform.h"
#include "geometry/screen.h"
#include "render/compass.h"
#include "render/draw_object.h"
#include "render/draw_port.h"
#include "render/scale_bar.h"
#include "render/time_stamp.h"

namespace tlv {

// The decorations, as bits of a set.
constexpr uint32_t kDecorationScaleBar = 1;
constexpr uint32_t kDecorationCompass = 2;
constexpr uint32_t kDecorationTimeStamp = 4;

// What the decorations are drawn for: the whole image in port units, the scale of the view, the
// map window's width in pixels (a page or a large picture enlarges the compass by its ratio to
// it), and the local time of drawing.
struct DecorationFrame {
  ScreenRect area;
  int32_t scale = 0;
  int32_t windowWidth = 0;
  LocalTime time;
};

struct DecorationSettings {
  uint32_t shown = 0;
  ScaleBarOptions scaleBar;
  CompassOptions compass;
  TimeStampOptions timeStamp;
  // The compass picture; without one the compass is left out.
  const PictureImage* compassPicture = nullptr;
};

struct DecorationLayouts {
  uint32_t shown = 0;  // those laid out (the compass only with a picture)
  ScaleBarLayout scaleBar;
  CompassLayout compass;
  TimeStampLayout timeStamp;
};

// The shown decorations' layouts on the port (fonts are measured on it).
DecorationLayouts LayOutMapDecorations(DrawPort& port, const DecorationFrame& frame,
                                       const DecorationSettings& settings);
// Draws the shown decorations: the scale bar, the compass, then the time stamp.
void DrawMapDecorations(DrawPort& port, const DecorationFrame& frame,
                        const DecorationSettings& settings);

// The decoration whose box holds the point, the one drawn last first; 0 when none does.
uint32_t DecorationAt(const DecorationLayouts& layouts, ScreenPoint point);
// Its box (grown), empty for a decoration not laid out.
ScreenRect DecorationBox(const DecorationLayouts& layouts, uint32_t which);

}  // namespace tlv
