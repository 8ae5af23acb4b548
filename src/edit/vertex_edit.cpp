#include "edit/vertex_edit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "base/endian.h"
#include "base/errors.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/walks.h"
#include "edit/object_access.h"
#include "edit/selection.h"
#include "edit/stored_segments.h"
#include "edit/undo.h"
#include "geometry/distance.h"
#include "geometry/geo_settings.h"
#include "geometry/wrect.h"
#include "store/store_records.h"

namespace tlv {

namespace {

constexpr int16_t kVertexTextsList = 26300;
constexpr int16_t kNotNearText = 1;
constexpr int16_t kMinimumPointsText = 2;
constexpr int16_t kAnchorPointText = 3;
constexpr int kMessageOverlayLocked = 581;
constexpr int kMessageMapLocked = 583;
constexpr int kMessageOtherRefusal = 586;
constexpr int kMessageIndexedMap = 647;
// The tolerance is what this many pixels right and down of the Click Point cover.
constexpr int32_t kTolerancePixels = 4;

struct VertexEditState {
  VertexEditHooks hooks;
  VertexPlace place;
};

VertexEditState state;

// One search's result with the points it read, so a command that goes on to edit them does not
// read the record again.
struct Found {
  std::vector<StoredSegmentState> segments;
  std::vector<int32_t> offsets;
  int32_t room = 0;
};

WPoint CurrentClickPoint() {
  return state.hooks.clickPoint ? state.hooks.clickPoint() : WPoint{0, 0};
}

bool CurrentMarkedPoint(WPoint& marked) {
  return state.hooks.markedPoint && state.hooks.markedPoint(marked);
}

void ShowVertexText(int16_t index) {
  ShowAlert(GetIndString(kVertexTextsList, index), kStopAlert);
}

void RedrawArea(const WRect& area) {
  const LifeCycleHooks& hooks = CurrentLifeCycleHooks();
  if (hooks.redrawArea && WRectPlaced(area)) hooks.redrawArea(area);
}

int32_t Clamp32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

WPoint PointOf(const StoredSegmentState& segment) {
  return {segment.X(), segment.y};
}

// Whether P is near the line from a to b, and which end is nearer (true: b, also on a tie).
bool NearLine(WPoint p, WPoint a, WPoint b, const VertexTolerance& tolerance, int16_t unit,
              bool& endNearer) {
  const int64_t left = std::min<int64_t>(a.x, b.x) - tolerance.tx;
  const int64_t right = std::max<int64_t>(a.x, b.x) + tolerance.tx;
  const int64_t bottom = std::min<int64_t>(a.y, b.y) - tolerance.ty;
  const int64_t top = std::max<int64_t>(a.y, b.y) + tolerance.ty;
  if (p.x < left || p.x > right || p.y < bottom || p.y > top) return false;
  const double toA = GreatCircleDistance(p, a, unit);
  const double toB = GreatCircleDistance(p, b, unit);
  endNearer = toB <= toA;
  if (toA <= tolerance.distance || toB <= tolerance.distance) return true;
  // The foot of P on the line, measured in local lengths so that a degree of longitude counts
  // for what it covers at this latitude.
  const double abx = LongitudeDifferenceLength(Clamp32(int64_t{b.x} - a.x), p.y, unit);
  const double aby = LatitudeDifferenceLength(Clamp32(int64_t{b.y} - a.y), unit);
  const double length2 = abx * abx + aby * aby;
  // A line of no length has no direction: only its ends can be near, tested above.
  if (!(length2 > 0)) return false;
  const double apx = LongitudeDifferenceLength(Clamp32(int64_t{p.x} - a.x), p.y, unit);
  const double apy = LatitudeDifferenceLength(Clamp32(int64_t{p.y} - a.y), unit);
  const double t = (apx * abx + apy * aby) / length2;
  if (!(t >= 0 && t <= 1)) return false;
  const WPoint foot{Clamp32(a.x + std::llround(t * (static_cast<double>(b.x) - a.x))),
                    Clamp32(a.y + std::llround(t * (static_cast<double>(b.y) - a.y)))};
  return GreatCircleDistance(p, foot, unit) <= tolerance.distance;
}

// The original object of a selected entry and its kind.
int32_t Original(const ObjectRef& object, ObjectRef& original, int16_t& type) {
  original = object;
  int32_t err = UseObjectFile(object.mapID, object.overlayID);
  if (err == 0) err = FSGetObjectType(CurrentObjectFile(), object.position, type);
  if (err != 0) return err;
  if (type != kAliasObject) return 0;
  err = ResolveAlias(object.mapID, object.overlayID, object.position, original.position, false);
  if (err == 0) err = UseObjectFile(original.mapID, original.overlayID);
  if (err == 0) err = FSGetObjectType(CurrentObjectFile(), original.position, type);
  return err;
}

int32_t Search(const ObjectRef& object, bool forInsert, Found& found) {
  state.place = VertexPlace();
  ObjectRef original;
  int16_t type = 0;
  int32_t err = Original(object, original, type);
  if (err != 0) return err;
  if (type != kPolylineObject && type != kPolygonObject) {
    ShowVertexText(kNotNearText);
    return kErrGeneral;
  }
  WRect rect;
  err = FSGetObjectWorldRect(CurrentObjectFile(), original.position, rect);
  if (err == 0) {
    err = ReadSegments(original.mapID, original.overlayID, original.position, found.segments,
                       found.room, &found.offsets);
  }
  if (err != 0) return err;
  const WPoint click = CurrentClickPoint();
  const VertexTolerance tolerance = VertexToleranceAt(click);
  const int16_t unit = CurrentGeometrySettings().distanceUnit;
  const auto count = static_cast<int32_t>(found.segments.size());
  for (int32_t i = 1; i < count; ++i) {
    const StoredSegmentState& end = found.segments[static_cast<size_t>(i)];
    // The line into a new piece joins two pieces only in storage; it is not part of the object.
    if (end.NewPiece()) continue;
    bool endNearer = true;
    if (!NearLine(click, PointOf(found.segments[static_cast<size_t>(i - 1)]), PointOf(end),
                  tolerance, unit, endNearer)) {
      continue;
    }
    VertexPlace& place = state.place;
    place.object = original;
    place.segment = i;
    place.vertex = forInsert || endNearer ? i : i - 1;
    place.offset = found.offsets[static_cast<size_t>(place.vertex)];
    place.point = PointOf(found.segments[static_cast<size_t>(place.vertex)]);
    place.type = type;
    place.rect = rect;
    return 0;
  }
  ShowVertexText(kNotNearText);
  return kErrGeneral;
}

WRect BoundsOf(const std::vector<StoredSegmentState>& segments) {
  WRect bounds = kUnionStartRect;
  for (const StoredSegmentState& s : segments) UnionWRectPoint(bounds, PointOf(s));
  return bounds;
}

// Stores the rectangle the points now give; an unchanged rectangle only needs its area drawn
// again.
int32_t StoreBounds(const ObjectRef& object, const WRect& old,
                    const std::vector<StoredSegmentState>& segments) {
  const WRect bounds = BoundsOf(segments);
  if (bounds == old) {
    RedrawArea(old);
    return 0;
  }
  return ChangeObjectWRect(object.mapID, object.overlayID, object.position, &bounds, 0, 0);
}

int32_t CheckEditable(const ObjectRef& object) {
  const int32_t message = VertexEditRefusal(object);
  if (message == 0) return 0;
  ShowAlert(MessageText(message), kStopAlert);
  return kErrGeneral;
}

void KeepSelected(const ObjectRef& object) {
  if (!IsSelected(object.mapID, object.overlayID, object.position)) {
    AddSelectedObject(object.mapID, object.overlayID, object.position);
  }
}

// The Undo record of the object at place, as it stands before the step.
UndoObjectRecord UndoRecordOf(const VertexPlace& place) {
  UndoObjectRecord undo;
  undo.object = place.object;
  undo.before = place.object;
  undo.type = place.type;
  undo.oldRect = place.rect;
  return undo;
}

// After one point was inserted or deleted at: the record's bounds, the Undo step and the
// selection.
int32_t FinishSegmentStep(int16_t kind, const VertexPlace& place, int32_t at,
                          const StoredSegmentState& point,
                          const std::vector<StoredSegmentState>& now) {
  const int32_t err = StoreBounds(place.object, place.rect, now);
  UndoSegmentRecord segment;
  segment.number = at;
  segment.segment = point;
  SetUndoSegment(kind, UndoRecordOf(place), segment);
  KeepSelected(place.object);
  return err;
}

// Writes x (with its new-piece bit) and y of one stored point, leaving its attributes alone.
int32_t WritePoint(const ObjectRef& object, int32_t offset, const StoredSegmentState& segment) {
  int32_t err = UseObjectFile(object.mapID, object.overlayID);
  if (err != 0) return err;
  char bytes[8];
  PutBigU32(bytes, segment.x);
  PutBig32(bytes + 4, segment.y);
  int32_t count = 8;
  err = FSWriteBufAt(CurrentObjectFile(), count, bytes, object.position + offset);
  if (err != 0) ReportError("MoveVertexToMarkedPoint()", "FSWriteBufAt()", err);
  return err;
}

// The other stored point of the chosen point's ring with exactly its coordinates: for the ring's
// first point its closing point, for the closing point the first, else any other point of the
// ring on the same spot. Other rings are left alone, even where one of their points lies there.
int32_t TwinInRing(const std::vector<StoredSegmentState>& segments, int32_t vertex) {
  const auto count = static_cast<int32_t>(segments.size());
  int32_t start = vertex;
  while (start > 0 && !segments[static_cast<size_t>(start)].NewPiece()) --start;
  int32_t last = vertex;
  while (last + 1 < count && !segments[static_cast<size_t>(last) + 1].NewPiece()) ++last;
  const StoredSegmentState& chosen = segments[static_cast<size_t>(vertex)];
  const auto same = [&](int32_t j) {
    const StoredSegmentState& s = segments[static_cast<size_t>(j)];
    return j != vertex && s.X() == chosen.X() && s.y == chosen.y;
  };
  if (vertex == start && same(last)) return last;
  if (vertex == last && same(start)) return start;
  for (int32_t j = start; j <= last; ++j) {
    if (same(j)) return j;
  }
  return -1;
}

// Makes the object's record anew (same ID, its aliases going along) with extra bytes of segment
// room, and deletes the old one; the selection and the search collection follow. A failure leaves
// the old record live and nothing new.
int32_t GrowRecord(ObjectRef& object, int32_t count, int32_t room, int32_t extra) {
  int32_t err = UseObjectFile(object.mapID, object.overlayID);
  std::string prefix, name;
  int32_t nameFree = 0;
  if (err == 0)
    err = FSGetObjectName(CurrentObjectFile(), object.position, prefix, name, &nameFree);
  if (err != 0) return err;
  const auto nameRoom = static_cast<int32_t>(prefix.size() + name.size()) + nameFree;
  int32_t newPosition = -1;
  std::vector<RecordMove> moved;
  err = FSCopyObject(object, object.mapID, object.overlayID, nameRoom, 0, count, room + extra,
                     newPosition, true, &moved);
  if (err != 0) return err;
  const ObjectRef copy{object.mapID, object.overlayID, newPosition};
  const LifeCycleHooks& hooks = CurrentLifeCycleHooks();
  if (hooks.objectMoved) {
    hooks.objectMoved(object, copy);
    // A selected alias (the commands act through one) follows its copy as well.
    for (const RecordMove& alias : moved) hooks.objectMoved(alias.from, alias.to);
  }
  DeletedRecords gone;
  err = DeleteObjectRecord(object.mapID, object.overlayID, object.position, false, false, false,
                           &gone);
  if (err != 0 && !gone.deleted) {
    if (hooks.objectMoved) {
      hooks.objectMoved(copy, object);
      for (const RecordMove& alias : moved) hooks.objectMoved(alias.to, alias.from);
    }
    TakeBackCopy(copy, moved);
    return err;
  }
  object = copy;
  return err;
}

}  // namespace

void SetVertexEditHooks(VertexEditHooks hooks) {
  state.hooks = std::move(hooks);
}

VertexTolerance VertexToleranceAt(WPoint click) {
  VertexTolerance tolerance;
  if (!state.hooks.viewMapping) return tolerance;
  const ViewMapping mapping = state.hooks.viewMapping();
  const ScreenPoint at = WorldToScreenPoint(mapping, click);
  const WPoint off =
      ScreenToWorldPoint(mapping, {at.x + kTolerancePixels, at.y + kTolerancePixels});
  tolerance.tx = Clamp32(std::llabs(int64_t{off.x} - click.x));
  tolerance.ty = Clamp32(std::llabs(int64_t{off.y} - click.y));
  tolerance.distance =
      LatitudeDifferenceLength(tolerance.ty, CurrentGeometrySettings().distanceUnit);
  return tolerance;
}

int32_t FindVertex(const ObjectRef& object, bool forInsert) {
  Found found;
  return Search(object, forInsert, found);
}

const VertexPlace& FoundVertex() {
  return state.place;
}

int32_t VertexTarget(ObjectRef& object, int16_t& type) {
  ObjectRef first;
  if (!GetSelectedObject(0, first)) return kErrGeneral;
  const int32_t err = Original(first, object, type);
  if (err != 0) return err;
  return type == kPolylineObject || type == kPolygonObject ? 0 : kErrGeneral;
}

int32_t VertexEditRefusal(const ObjectRef& object) {
  MapRecord map;
  LayerRecord layer;
  if (!GetMapRecord(MapIDToIndex(object.mapID), map) ||
      !GetLayerRecord(LayerIDToIndex(object.overlayID), layer)) {
    return kMessageOtherRefusal;
  }
  // Lock kinds 1 and 3 lock the overlay; an owning application's kind 2 alone does not, as for
  // Undo, so a step made here can always be taken back.
  if ((layer.lockState & kLockedBit) != 0) return kMessageOverlayLocked;
  if (map.indexed != 0) return kMessageIndexedMap;
  if (map.locked != 0) return kMessageMapLocked;
  return 0;
}

int32_t MarkVertex() {
  ObjectRef object;
  int16_t type = 0;
  int32_t err = VertexTarget(object, type);
  if (err != 0) return err;
  err = FindVertex(object, false);
  if (err != 0) return err;
  if (state.hooks.setMarkedPoint) state.hooks.setMarkedPoint(state.place.point);
  return 0;
}

int32_t MoveVertexToMarkedPoint() {
  WPoint marked;
  if (!CurrentMarkedPoint(marked)) {
    Platform().Beep();
    return kErrGeneral;
  }
  ObjectRef object;
  int16_t type = 0;
  int32_t err = VertexTarget(object, type);
  if (err != 0) return err;
  err = CheckEditable(object);
  if (err != 0) return err;
  Found found;
  err = Search(object, false, found);
  if (err != 0) return err;
  const VertexPlace place = state.place;
  const int32_t twin = place.type == kPolygonObject ? TwinInRing(found.segments, place.vertex) : -1;

  UndoObjectRecord undo = UndoRecordOf(place);
  undo.segmentNumbers[0] = place.vertex;
  undo.segments[0] = found.segments[static_cast<size_t>(place.vertex)];
  if (twin >= 0) {
    undo.segmentNumbers[1] = twin;
    undo.segments[1] = found.segments[static_cast<size_t>(twin)];
  }
  // Recorded before anything is written: a write that fails part way is then taken back by Undo.
  SetUndoObject(kUndoReshapePoint, undo);

  int32_t x = marked.x, y = marked.y;
  ClampStoredPoint(x, y);
  for (const int32_t index : {place.vertex, twin}) {
    if (index < 0) continue;
    StoredSegmentState& s = found.segments[static_cast<size_t>(index)];
    s.x = static_cast<uint32_t>(x) | (s.x & kNewPieceBit);
    s.y = y;
    err = WritePoint(place.object, found.offsets[static_cast<size_t>(index)], s);
    if (err != 0) return err;
  }
  return StoreBounds(place.object, place.rect, found.segments);
}

int32_t InsertVertexAtClickPoint() {
  ObjectRef object;
  int16_t type = 0;
  int32_t err = VertexTarget(object, type);
  if (err != 0) return err;
  err = CheckEditable(object);
  if (err != 0) return err;
  Found found;
  err = Search(object, true, found);
  if (err != 0) return err;
  VertexPlace place = state.place;
  const int32_t at = place.vertex;

  const WPoint click = CurrentClickPoint();
  int32_t x = click.x, y = click.y;
  ClampStoredPoint(x, y);
  // The new point carries the attributes of the point it goes before, and starts no piece.
  StoredSegmentState added = found.segments[static_cast<size_t>(at)];
  added.x = static_cast<uint32_t>(x);
  added.y = y;

  int32_t used = 0;
  for (const StoredSegmentState& s : found.segments) used += StoredSize(s);
  bool recreated = false;
  if (used + StoredSize(added) > found.room) {
    // Records are made with no spare room, so most objects need a bigger one for a new point.
    const int32_t extra =
        (added.mask & kAllAttributesMask) != 0 ? kAttributedSegmentSize : kPlainSegmentSize;
    err = GrowRecord(place.object, static_cast<int32_t>(found.segments.size()), found.room, extra);
    if (err != 0) return err;
    recreated = true;
    state.place.object = place.object;
  }
  found.segments.insert(found.segments.begin() + at, added);
  const ObjectRef& o = place.object;
  err = WriteSegments(o.mapID, o.overlayID, o.position, found.segments,
                      "InsertVertexAtClickPoint()", at);
  if (err != 0) {
    // Put the old points back; a step recorded for the old record no longer fits a new one.
    found.segments.erase(found.segments.begin() + at);
    WriteSegments(o.mapID, o.overlayID, o.position, found.segments, "InsertVertexAtClickPoint()",
                  at);
    if (recreated) SetUndoNothing();
    return err;
  }
  return FinishSegmentStep(kUndoAddSegment, place, at, added, found.segments);
}

int32_t DeleteVertex() {
  if (SelectedObjectCount() != 1) return kErrGeneral;
  ObjectRef object;
  int16_t type = 0;
  int32_t err = VertexTarget(object, type);
  if (err != 0) return err;
  err = CheckEditable(object);
  if (err != 0) return err;
  Found found;
  err = Search(object, false, found);
  if (err != 0) return err;
  const VertexPlace place = state.place;
  const auto count = static_cast<int32_t>(found.segments.size());
  const int32_t minimum = place.type == kPolygonObject ? 3 : 2;
  if (count <= minimum) {
    ShowVertexText(kMinimumPointsText);
    return kErrGeneral;
  }
  const int32_t at = place.vertex;
  if (at == 0 || found.segments[static_cast<size_t>(at)].NewPiece()) {
    ShowVertexText(kAnchorPointText);
    return kErrGeneral;
  }
  const StoredSegmentState removed = found.segments[static_cast<size_t>(at)];
  found.segments.erase(found.segments.begin() + at);
  const ObjectRef& o = place.object;
  err = WriteSegments(o.mapID, o.overlayID, o.position, found.segments, "DeleteVertex()", at);
  if (err != 0) {
    found.segments.insert(found.segments.begin() + at, removed);
    WriteSegments(o.mapID, o.overlayID, o.position, found.segments, "DeleteVertex()", at);
    return err;
  }
  return FinishSegmentStep(kUndoDeleteSegment, place, at, removed, found.segments);
}

void ResetVertexEditForTesting() {
  state = VertexEditState();
}

}  // namespace tlv
