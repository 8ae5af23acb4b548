// Editing single points of a polyline or polygon: mark the point nearest the Click Point, move it
// onto the Marked Point, insert a point at the Click Point, delete a point. Every command works on
// the first selected object (the original when it is an alias), refuses objects that may not be
// changed, and records its step for Undo before it writes.
#pragma once

#include <cstdint>
#include <functional>

#include "base/world_types.h"
#include "edit/life_cycle.h"
#include "geometry/screen.h"

namespace tlv {

// What the commands ask of the map view, which lives above this layer; the wiring installs it.
// Without a member the Click Point is the world's centre, the view maps 1:1 and no point is
// marked.
struct VertexEditHooks {
  std::function<WPoint()> clickPoint;
  std::function<ViewMapping()> viewMapping;
  // Whether a point is marked, and where.
  std::function<bool(WPoint& marked)> markedPoint;
  // Sets the Marked Point: the old mark is erased and the new one drawn.
  std::function<void(WPoint marked)> setMarkedPoint;
};
void SetVertexEditHooks(VertexEditHooks hooks);

// The place a search found, valid until the next search.
struct VertexPlace {
  ObjectRef object;        // the original object (never an alias)
  int32_t segment = -1;    // the line from point segment - 1 to point segment
  int32_t vertex = -1;     // the chosen point
  int32_t offset = -1;     // the chosen point's offset in the record (position-relative)
  WPoint point{0, 0};      // the chosen point's coordinates
  int16_t type = 0;        // kPolylineObject or kPolygonObject
  WRect rect{0, 0, 0, 0};  // the object's rectangle
};

// The tolerance of a search, in world units along x and y, and as a distance in the current
// unit: how far 4 pixels right and down of the Click Point lie in the current view.
struct VertexTolerance {
  int32_t tx = 0;
  int32_t ty = 0;
  double distance = 0;
};
VertexTolerance VertexToleranceAt(WPoint click);

// Finds the line of the object nearest the Click Point (the first one near enough) and the point
// to act on: for an insertion the line's end, else the nearer of its two ends (the end on a tie).
// An alias is resolved first. None near (or no points): "The Click Point is not near a segment of
// the selected object." and -1.
int32_t FindVertex(const ObjectRef& object, bool forInsert);
const VertexPlace& FoundVertex();

// The object the commands act on: the first selected one, an alias resolved to its original.
// -1 (nothing shown) when nothing is selected or the object is no polyline or polygon.
int32_t VertexTarget(ObjectRef& object, int16_t& type);

// The refusal message of an object that may not be changed (overlay locked, indexed map, locked
// map, in that order), or 0 when it may be changed.
int32_t VertexEditRefusal(const ObjectRef& object);

// The four commands. Each returns 0 or an error code (-1 for a refusal, which has been shown).
int32_t MarkVertex();
int32_t MoveVertexToMarkedPoint();
int32_t InsertVertexAtClickPoint();
int32_t DeleteVertex();

void ResetVertexEditForTesting();

}  // namespace tlv
