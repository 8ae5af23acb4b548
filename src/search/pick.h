// Picking objects on the map: the object under a click (the top-most one within a few pixels)
// and the objects that touch or lie in a dragged rectangle or circle. The select tools of the
// window and tolvane-cli select both run this code; the shell only forwards mouse events.
#pragma once

#include <cstdint>
#include <vector>

#include "base/object_ids.h"
#include "base/world_types.h"
#include "geometry/proximity.h"
#include "geometry/screen.h"
#include "store/buffered_file.h"
#include "store/store_records.h"

namespace tlv {

// A click picks what lies within this many pixels of it.
constexpr int32_t kPickReachPixels = 4;

// What the near tests need of one object, read from its record.
struct PickShape {
  int16_t type = 0;
  WRect rect;
  // The symbol's location (points), where it is drawn.
  WPoint location;
  // The inside counts: rectangles, circles and polygons drawn with a fill, texts and pictures.
  bool area = false;
  // Polylines (open chains), polygon rings and the outlines of rectangles and circles (closed).
  Rings outline;
  bool closed = false;
};
// Reads the shape of the object at position of the object file in slot 0. The fill that makes
// an area is the overlay's default when the overlay draws with its default graphics.
int32_t ReadPickShape(BufferedFile& file, int32_t position, const LayerRecord& layer,
                      PickShape& shape);

// A click's test: the shape lies within reach of p. A symbol drawn as a glyph (not as a dot) is
// also hit anywhere on its glyph box, symbolHalf world units around its location.
bool ShapeNearPoint(const PickShape& shape, WPoint p, const Reach& reach, int32_t symbolHalf);

// A dragged area: a rectangle (from a corner) or a circle (from its centre, radius in miles).
struct PickArea {
  bool circle = false;
  WRect rect;
  WPoint centre;
  double radiusMiles = 0.0;
};
// The world rectangle that holds the area.
WRect PickAreaBounds(const PickArea& area);
// The shape touches the area or lies in it, or (an area shape) holds it.
bool ShapeTouchesArea(const PickShape& shape, const PickArea& area);

// Which overlays a pick looks at: null for every shown overlay, else these overlay IDs (each
// still only when shown at the current scale).
using OverlayFilter = const std::vector<int32_t>*;

// The top-most object within reach of p at the current view: shown overlays in reverse drawing
// order, maps in reverse, later records of a file first. found is false on empty ground.
int32_t PickObjectAt(WPoint p, int32_t reachPixels, OverlayFilter overlays, ObjectRef& picked,
                     bool& found);
// Every object touching or lying in the area, in drawing order.
int32_t FindObjectsInArea(const PickArea& area, OverlayFilter overlays,
                          std::vector<ObjectRef>& found);

// The overlays shown at the current scale, in drawing order (the choice the select tool
// offers, all checked).
std::vector<int32_t> ShownOverlayIDs();

// The selection tool's click at a point of the map area: the Click Point moves there and the
// top-most object within 4 pixels is picked. Without toggle it replaces the selection (empty
// ground clears it); with toggle (Shift or Ctrl) the picked object is added or removed.
// repeated says the same object was picked by the click before, at most doubleClickTicks
// (1/60 s) earlier: the shell then opens its settings.
struct SelectClickResult {
  bool picked = false;
  ObjectRef object;
  bool repeated = false;
};
int32_t SelectToolClick(ScreenPoint click, bool toggle, uint32_t doubleClickTicks,
                        SelectClickResult& result, OverlayFilter overlays = nullptr);
// Selects the objects touching or lying in the area on the given overlays: replacing the
// selection, or adding to it with add. count receives the number of objects found.
int32_t SelectObjectsInArea(const PickArea& area, const std::vector<int32_t>& overlays, bool add,
                            int32_t& count);
// Whether an object lies under a point of the map area (a drag that starts there is not an
// area drag).
bool ObjectUnderScreenPoint(ScreenPoint at);

// The world area of a drag in the map area: a rectangle between the two points, or a circle
// around from whose radius reaches to.
PickArea ScreenDragArea(ScreenPoint from, ScreenPoint to, bool circle);

void ResetPickForTesting();

}  // namespace tlv
