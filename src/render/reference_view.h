// The reference view inset: a saved view's thumbnail drawn in the map's top right corner with a
// marker showing where the current view lies inside it. Laid out in device units from the
// device's resolution, so the screen, pictures and paper show the same inset.
#pragma once

#include <cstdint>
#include <vector>

#include "base/world_types.h"
#include "geometry/screen.h"
#include "render/draw_port.h"

namespace tlv {

struct ReferenceInsetLayout {
  ScreenRect box;      // where the thumbnail is drawn
  ScreenRect marker;   // the current view mapped into the box
  bool cross = false;  // a marker of at most 4 x 4 pixels is drawn as a cross
  int32_t lineWidth = 1;
};

// The inset of a thumbnail of width x height pixels (kept at 96 per inch) inside the area, 8
// pixels in from its top right corner; the marker maps current from the reference rectangle
// linearly onto the box. The marker line is 1 pixel on screen, 2 in a picture and 0.015 inch on
// paper.
ReferenceInsetLayout LayoutReferenceInset(const ScreenRect& area, DeviceKind device,
                                          double pixelsPerInch, int32_t width, int32_t height,
                                          const WRect& reference, const WRect& current);

// The marker's dashes on screen step through this many phases, one per redraw of the marker.
constexpr int32_t kMarkerPhases = 8;

// Draws the thumbnail (ARGB rows top to bottom) and the marker, clipped to the box; the marker is
// dashed on screen, its dashes starting dashPhase (0 to 7) pixels along.
void DrawReferenceInset(DrawPort& port, const ScreenRect& area, int32_t width, int32_t height,
                        const std::vector<uint32_t>& argb, const WRect& reference,
                        const WRect& current, int32_t dashPhase = 0);

// Go to View's "resize map window to fit view": the map area of width x height shrunk along
// its longer side (against the view) to the view's aspect, width x cosine of the middle latitude
// over height. Each side stays at least 1; an empty view leaves the size as it is.
void ShrinkAreaToViewAspect(const WRect& view, int32_t& width, int32_t& height);

// Of the candidate rectangles, the index of the smallest (width plus height) that holds current,
// or -1.
int32_t SmallestContaining(const std::vector<WRect>& candidates, const WRect& current);

}  // namespace tlv
