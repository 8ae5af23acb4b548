// The tags of selected objects: small squares in NOT-XOR, so drawing them twice removes them.
#pragma once

#include <cstdint>
#include <vector>

#include "edit/life_cycle.h"
#include "render/draw_object.h"
#include "render/draw_port.h"
#include "render/map_view.h"

namespace tlv {

constexpr int32_t kSelectionTagSize = 9;

// The points of one object's tags: the four corners of rectangles, symbols, texts and pictures,
// the midpoints of a circle's sides, every vertex of polylines and polygons (once where two
// segments join). Reads the object file in slot 0.
int32_t SelectionTagPoints(BufferedFile& file, int32_t position, const IntegerMapping& mapping,
                           std::vector<ScreenPoint>& points);
// Draws one 9 x 9 tag per point, framed when frame is set. Black inverts what lies beneath.
void DrawTags(DrawPort& port, const std::vector<ScreenPoint>& points, bool frame,
              RGBColour colour = kBlackColour);
// Which objects of the list are live and lie in (or meet) the world rectangle view, by one walk
// of the summary records of each overlay file the list names.
int32_t LiveObjectsInView(const std::vector<ObjectRef>& objects, const WRect& view,
                          std::vector<bool>& live);
// Sorts the tag points and keeps one of each.
void DropRepeatedTags(std::vector<ScreenPoint>& points);
// Draws the tags of every live object of the list in the view, one tag at each place.
int32_t DrawSelectionTags(DrawPort& port, const MapView& view, const ScreenRect& area,
                          const std::vector<ObjectRef>& objects, bool frame,
                          RGBColour colour = kBlackColour);
// The configured tag colour (red + green x 256 + blue x 65536; 0 is the standard black).
RGBColour ConfiguredTagColour(int32_t setting);

}  // namespace tlv
