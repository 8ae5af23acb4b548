// The map commands that make new areas and lines from the selected objects: Make New Polygon
// (the union, intersection or difference of areas, or the envelope zone around polylines), Make
// New Polyline (polylines joined into one) and Connect Polylines at Nearest Point (two polylines
// made one in place of the first). The window's menus and tolvane-cli run the same functions; the
// window only adds its dialog and shows the refusals.
//
// The message handlers of other programs can call the Compute functions with any objects: they
// read the objects, compute and hand back points without touching the maps or the selection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/object_ids.h"
#include "base/world_types.h"
#include "geometry/polygon_ops.h"

namespace tlv {

// The combination operations, as the command keeps its choice between uses.
constexpr int16_t kPolygonUnion = 5;
constexpr int16_t kPolygonIntersection = 6;
constexpr int16_t kPolygonDifference = 7;

// Why a command makes nothing; each has its message (PolygonRefusalText).
enum class PolygonRefusal {
  kNone,
  kNoTemporaryOverlayForPolygon,   // message 520
  kNoTemporaryOverlayForPolyline,  // message 535
  kPolygonSelection,               // "... Make New Polygon function can be used only when ..."
  kPolylineSelection,              // "... Make New Polyline function can be used only when ..."
  kConnectSelection,               // two polylines are needed
  kNoPoints,                       // "The resulting polygon has no points."
  kBadDistance,                    // not a finite number above 0
  kLocked,                         // a polyline to be replaced lies on a locked overlay or map
};
std::string PolygonRefusalText(PolygonRefusal refusal);

// One object's outline as the operations take it: the kind (an alias's original's), the rings of
// an area (rectangles, texts and pictures as their WRect, circles as 36 points, polygon pieces
// closed) or the chains of a polyline, and whether a polygon is drawn without outline.
struct OperandShape {
  int16_t type = 0;
  SegmentList segments;
  bool noOutline = false;
};
int32_t ReadOperandShape(const ObjectRef& object, OperandShape& shape);

// The points of a result: x carries the piece bit on every piece start, as stored.
struct PolygonPoints {
  std::vector<WPoint> points;
  WRect bounds = kUnionStartRect;
  bool noOutline = false;
};

// Areas are rectangles, circles, polygons, texts and pictures; lines are polylines.
enum class OperandClass { kNone, kAreas, kLines, kMixed };
// The class of the objects (aliases by their originals); kMixed when they differ or include a
// symbol.
int32_t ClassifyOperands(const std::vector<ObjectRef>& objects, OperandClass& operandClass);

// The first object combined with each later one in order (difference: result minus object).
// kNoPoints when nothing is left. A union that simply concatenated asks for no outline.
int32_t ComputeCombination(const std::vector<ObjectRef>& objects, int16_t operation,
                           PolygonPoints& result, PolygonRefusal& refusal);
// The envelope zones of all objects at distance (in unit), as one list of overlapping rings.
int32_t ComputeEnvelopePoints(const std::vector<ObjectRef>& objects, double distance, int16_t unit,
                              PolygonPoints& result, PolygonRefusal& refusal);
// The segments of all polylines, ordered into chains.
int32_t ComputeJoinedPolyline(const std::vector<ObjectRef>& objects, PolygonPoints& result,
                              PolygonRefusal& refusal);
// Two polylines joined at their nearest end points: the first's points run into the second's,
// one of them reversed when that brings the nearest ends together (the first is kept as it runs
// when it can). Equal end points are not repeated.
int32_t ComputeConnectedPolyline(const ObjectRef& first, const ObjectRef& second,
                                 PolygonPoints& result);

// Make New Polygon on the given objects (the window passes the selection): operation for areas,
// distance and unit for lines. The new object goes to the Temporary Overlay of the User's Map,
// named after the operation or "envelope", becomes the only selected object and can be undone.
struct MakePolygonRequest {
  int16_t operation = kPolygonUnion;
  double distance = 1.0;
  int16_t unit = 5;
};
// The checks that come before the dialog: the Temporary Overlay, the classes and counts.
PolygonRefusal CheckMakeNewPolygon(const std::vector<ObjectRef>& objects,
                                   OperandClass& operandClass);
int32_t MakeNewPolygon(const std::vector<ObjectRef>& objects, const MakePolygonRequest& request,
                       ObjectRef& made, PolygonRefusal& refusal);
// Make New Polyline: two or more polylines joined into one named "union".
PolygonRefusal CheckMakeNewPolyline(const std::vector<ObjectRef>& objects);
int32_t MakeNewPolyline(const std::vector<ObjectRef>& objects, ObjectRef& made,
                        PolygonRefusal& refusal);
// Connect Polylines at Nearest Point: exactly two polylines; the joined line takes the first's
// place and ID (its name and graphics too), the second is deleted, and Undo brings both back.
PolygonRefusal CheckConnectPolylines(const std::vector<ObjectRef>& objects);
int32_t ConnectPolylinesAtNearestPoint(const std::vector<ObjectRef>& objects, ObjectRef& made,
                                       PolygonRefusal& refusal);

// The selected objects, in selection order.
std::vector<ObjectRef> SelectedObjectList();

}  // namespace tlv
