#include "edit/polygon_commands.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "base/errors.h"
#include "base/memory.h"
#include "base/strings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/edit_targets.h"
#include "edit/life_cycle.h"
#include "edit/new_object.h"
#include "edit/object_access.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "geometry/distance.h"
#include "geometry/segments.h"
#include "geometry/wrect.h"
#include "store/object_record.h"
#include "store/store_records.h"

namespace tlv {

namespace {

constexpr int kMessageNoTemporaryPolygon = 520;
constexpr int kMessageUnion = 522;
constexpr int kMessageIntersection = 523;
constexpr int kMessageNoTemporaryPolyline = 535;
constexpr int kMessageDifference = 633;
// The polygon commands' own texts.
constexpr int16_t kPolygonTextsList = 26400;
constexpr int16_t kTextPolygonSelection = 1;
constexpr int16_t kTextPolylineSelection = 2;
constexpr int16_t kTextNoPoints = 3;
constexpr int16_t kTextConnectSelection = 4;
constexpr int16_t kTextBadDistance = 5;
constexpr int16_t kTextLocked = 6;

constexpr const char* kEnvelopeName = "envelope";
constexpr int16_t kNoOutlineLine = 2;
constexpr int16_t kResultFill = 4;
constexpr int16_t kEnvelopeColour = 14;  // red

WPoint Unflagged(WPoint p) {
  return {static_cast<int32_t>(static_cast<uint32_t>(p.x) & ~kNewPieceBit), p.y};
}
bool StartsPiece(WPoint p) {
  return (static_cast<uint32_t>(p.x) & kNewPieceBit) != 0;
}
WPoint Flagged(WPoint p) {
  return {static_cast<int32_t>(static_cast<uint32_t>(p.x) | kNewPieceBit), p.y};
}

// The chains of a polyline: each point joined to the one before it within its piece.
SegmentList ChainsFromPoints(const std::vector<WPoint>& points) {
  SegmentList chains;
  for (size_t i = 1; i < points.size(); ++i) {
    if (StartsPiece(points[i])) continue;
    const WPoint a = Unflagged(points[i - 1]);
    const WPoint b = Unflagged(points[i]);
    chains.push_back({a.x, a.y, b.x, b.y});
  }
  return chains;
}

SegmentList RectangleRingOf(const WRect& r) {
  ScopedHandle sides;
  Handle made = nullptr;
  if (WRectSegments(r, 0, made) != 0) throw std::bad_alloc();
  sides.reset(made);
  return SegmentListFromHandle(sides.get());
}

int32_t ReadPoints(BufferedFile& file, int32_t position, std::vector<WPoint>& points) {
  Handle handle = nullptr;
  int32_t count = 0;
  const int32_t err = FSGetObjectPoints(file, position, handle, count, true);
  if (err != 0) return err;
  ScopedHandle owned(handle);
  points.resize(static_cast<size_t>(std::max(count, 0)));
  if (count > 0) std::memcpy(points.data(), *handle, points.size() * sizeof(WPoint));
  return 0;
}

// The object itself, or the original an alias stands for.
int32_t ResolveOperand(const ObjectRef& object, int32_t& position, int16_t& type) {
  position = object.position;
  int32_t err = UseObjectFile(object.mapID, object.overlayID);
  if (err == 0) err = FSGetObjectType(CurrentObjectFile(), position, type);
  if (err != 0 || type != kAliasObject) return err;
  err = ResolveAlias(object.mapID, object.overlayID, object.position, position, false);
  if (err != 0) return err;
  if (position < 0) return kErrGeneral;
  err = UseObjectFile(object.mapID, object.overlayID);
  if (err == 0) err = FSGetObjectType(CurrentObjectFile(), position, type);
  return err;
}

bool IsArea(int16_t type) {
  return type == kRectangleObject || type == kCircleObject || type == kPolygonObject ||
         type == kTextObject || type == kPictureObject;
}

// Points of a segment list as stored: piece starts flagged, every point held inside the world.
int32_t ToPolygonPoints(const SegmentList& segments, const char* caller, PolygonPoints& result) {
  result.points.clear();
  result.bounds = kUnionStartRect;
  if (segments.empty()) return 0;
  Handle list = nullptr;
  int32_t err = SegmentListToHandle(segments, caller, list);
  if (err != 0) return err;
  ScopedHandle ownedList(list);
  Handle points = nullptr;
  WRect bounds;
  err = SegmentsToWPoints(list, static_cast<int32_t>(segments.size()), points, bounds);
  if (err != 0) return err;
  ScopedHandle ownedPoints(points);
  const auto count = static_cast<size_t>(MyGetHandleSize(points)) / sizeof(WPoint);
  result.points.resize(count);
  std::memcpy(result.points.data(), *points, count * sizeof(WPoint));
  for (WPoint& p : result.points) {
    const bool starts = StartsPiece(p);
    WPoint q = Unflagged(p);
    ClampStoredPoint(q.x, q.y);
    UnionWRectPoint(result.bounds, q);
    p = starts ? Flagged(q) : q;
  }
  return 0;
}

int32_t ReportMemory(const char* caller) {
  ReportError(caller, "MyNewHandle()", kErrMemoryFull);
  return kErrMemoryFull;
}

bool TemporaryOverlayOnUserMap(int32_t& mapID, int32_t& overlayID) {
  mapID = UserMapID();
  LayerRecord layer;
  MapRecord map;
  if (mapID == 0 || !GetMapRecord(MapIDToIndex(mapID), map)) return false;
  if (!GetLayerRecord(TemporaryLayerIndex(), layer)) return false;
  overlayID = layer.layerID;
  return true;
}

// Stores the points as a new object on the Temporary Overlay of the User's Map, selects it alone
// and records its creation for Undo.
int32_t CreateResultObject(int16_t type, const std::string& name, const ObjectGraphics& graphics,
                           const PolygonPoints& points, ObjectRef& made) {
  int32_t mapID = 0, overlayID = 0;
  if (!TemporaryOverlayOnUserMap(mapID, overlayID)) return kErrGeneral;
  const auto bytes = static_cast<int64_t>(points.points.size() * sizeof(WPoint));
  if (bytes > 0x7FFFFFFF) return ReportMemory("CreateResultObject()");
  ScopedHandle handle(MyNewHandle(static_cast<int32_t>(bytes)));
  if (!handle) return ReportMemory("CreateResultObject()");
  std::memcpy(*handle.get(), points.points.data(), static_cast<size_t>(bytes));
  ObjectContents contents;
  contents.prefix = std::string();
  contents.name = name;
  contents.graphics = graphics;
  contents.rect = points.bounds;
  contents.points = handle.get();
  ObjectID id;
  int32_t err = NewObjectID(id);
  int32_t position = -1;
  if (err == 0) err = CreateObject(mapID, overlayID, type, id, contents, position);
  if (err != 0) {
    ReportError("CreateResultObject()", "CreateObject()", err);
    return err;
  }
  made = ObjectRef{mapID, overlayID, position};
  UndoObjectRecord undo;
  undo.object = made;
  undo.before = made;
  undo.type = type;
  undo.oldRect = points.bounds;
  SetUndoObject(kUndoCreate, undo);
  NoteObjectAddedOrChanged(mapID, overlayID);
  RemoveAllSelectedObjects();
  AddSelectedObject(made.mapID, made.overlayID, made.position);
  return 0;
}

std::string OperationName(int16_t operation) {
  switch (operation) {
    case kPolygonIntersection:
      return MessageText(kMessageIntersection);
    case kPolygonDifference:
      return MessageText(kMessageDifference);
    default:
      return MessageText(kMessageUnion);
  }
}

// A polyline's points in the other direction, piece starts moved to the new first points.
std::vector<WPoint> ReversedPolyline(const std::vector<WPoint>& points) {
  std::vector<WPoint> out;
  out.reserve(points.size());
  bool startNext = true;
  for (size_t k = points.size(); k-- > 0;) {
    const WPoint p = Unflagged(points[k]);
    out.push_back(startNext && !out.empty() ? Flagged(p) : p);
    // The point that started a piece going forward ends it going back.
    startNext = StartsPiece(points[k]);
  }
  return out;
}

}  // namespace

std::string PolygonRefusalText(PolygonRefusal refusal) {
  switch (refusal) {
    case PolygonRefusal::kNone:
      return {};
    case PolygonRefusal::kNoTemporaryOverlayForPolygon:
      return MessageText(kMessageNoTemporaryPolygon);
    case PolygonRefusal::kNoTemporaryOverlayForPolyline:
      return MessageText(kMessageNoTemporaryPolyline);
    case PolygonRefusal::kPolygonSelection:
      return GetIndString(kPolygonTextsList, kTextPolygonSelection);
    case PolygonRefusal::kPolylineSelection:
      return GetIndString(kPolygonTextsList, kTextPolylineSelection);
    case PolygonRefusal::kNoPoints:
      return GetIndString(kPolygonTextsList, kTextNoPoints);
    case PolygonRefusal::kConnectSelection:
      return GetIndString(kPolygonTextsList, kTextConnectSelection);
    case PolygonRefusal::kBadDistance:
      return GetIndString(kPolygonTextsList, kTextBadDistance);
    case PolygonRefusal::kLocked:
      return GetIndString(kPolygonTextsList, kTextLocked);
  }
  return {};
}

int32_t ReadOperandShape(const ObjectRef& object, OperandShape& shape) {
  shape = OperandShape();
  int32_t position = -1;
  int32_t err = ResolveOperand(object, position, shape.type);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  WRect rect;
  ObjectGraphics graphics;
  err = FSGetObjectWorldRect(file, position, rect);
  if (err == 0) err = FSGetObjectGraphics(file, position, graphics);
  if (err != 0) return err;
  try {
    switch (shape.type) {
      case kRectangleObject:
      case kTextObject:
      case kPictureObject:
        shape.segments = RectangleRingOf(rect);
        break;
      case kCircleObject:
        shape.segments = CircleRing36(rect);
        break;
      case kPolygonObject:
      case kPolylineObject: {
        std::vector<WPoint> points;
        err = ReadPoints(file, position, points);
        if (err != 0) return err;
        if (shape.type == kPolygonObject) {
          shape.segments = ClosedRingsFromPoints(points);
          shape.noOutline = graphics.lineType == kNoOutlineLine;
        } else {
          shape.segments = ChainsFromPoints(points);
        }
        break;
      }
      default:
        break;
    }
  } catch (const std::bad_alloc&) {
    return ReportMemory("ReadOperandShape()");
  }
  return 0;
}

int32_t ClassifyOperands(const std::vector<ObjectRef>& objects, OperandClass& operandClass) {
  operandClass = OperandClass::kNone;
  for (const ObjectRef& object : objects) {
    int32_t position = -1;
    int16_t type = 0;
    const int32_t err = ResolveOperand(object, position, type);
    if (err != 0) return err;
    const OperandClass own = IsArea(type)              ? OperandClass::kAreas
                             : type == kPolylineObject ? OperandClass::kLines
                                                       : OperandClass::kMixed;
    if (operandClass == OperandClass::kNone) {
      operandClass = own;
    } else if (operandClass != own) {
      operandClass = OperandClass::kMixed;
    }
  }
  return 0;
}

int32_t ComputeCombination(const std::vector<ObjectRef>& objects, int16_t operation,
                           PolygonPoints& result, PolygonRefusal& refusal) {
  result = PolygonPoints();
  refusal = PolygonRefusal::kNone;
  try {
    SegmentList running;
    bool noOutline = false;
    for (size_t i = 0; i < objects.size(); ++i) {
      OperandShape shape;
      const int32_t err = ReadOperandShape(objects[i], shape);
      if (err != 0) return err;
      noOutline = noOutline || shape.noOutline;
      if (i == 0) {
        running = std::move(shape.segments);
        continue;
      }
      switch (operation) {
        case kPolygonIntersection:
          running = CombineSegmentLists(running, shape.segments, kIntersectionSwitches);
          break;
        case kPolygonDifference:
          running = CombineSegmentLists(running, shape.segments, kDifferenceSwitches);
          break;
        default: {
          bool concatenated = false;
          running = UniteSegmentLists(running, shape.segments, concatenated);
          noOutline = noOutline || concatenated;
          break;
        }
      }
    }
    if (running.empty()) {
      refusal = PolygonRefusal::kNoPoints;
      return kErrGeneral;
    }
    const int32_t err = ToPolygonPoints(running, "ComputeCombination()", result);
    result.noOutline = noOutline;
    return err;
  } catch (const std::bad_alloc&) {
    result = PolygonPoints();
    return ReportMemory("ComputeCombination()");
  }
}

int32_t ComputeEnvelopePoints(const std::vector<ObjectRef>& objects, double distance, int16_t unit,
                              PolygonPoints& result, PolygonRefusal& refusal) {
  result = PolygonPoints();
  refusal = PolygonRefusal::kNone;
  if (!std::isfinite(distance) || distance <= 0) {
    refusal = PolygonRefusal::kBadDistance;
    return kErrGeneral;
  }
  try {
    SegmentList all;
    for (const ObjectRef& object : objects) {
      OperandShape shape;
      const int32_t err = ReadOperandShape(object, shape);
      if (err != 0) return err;
      const SegmentList zone = EnvelopeSegmentList(shape.segments, distance, unit);
      all.insert(all.end(), zone.begin(), zone.end());
    }
    if (all.empty()) {
      refusal = PolygonRefusal::kNoPoints;
      return kErrGeneral;
    }
    return ToPolygonPoints(all, "ComputeEnvelopePoints()", result);
  } catch (const std::bad_alloc&) {
    result = PolygonPoints();
    return ReportMemory("ComputeEnvelopePoints()");
  }
}

int32_t ComputeJoinedPolyline(const std::vector<ObjectRef>& objects, PolygonPoints& result,
                              PolygonRefusal& refusal) {
  result = PolygonPoints();
  refusal = PolygonRefusal::kNone;
  try {
    SegmentList all;
    for (const ObjectRef& object : objects) {
      OperandShape shape;
      const int32_t err = ReadOperandShape(object, shape);
      if (err != 0) return err;
      all.insert(all.end(), shape.segments.begin(), shape.segments.end());
    }
    if (all.empty()) {
      refusal = PolygonRefusal::kNoPoints;
      return kErrGeneral;
    }
    OrderSegmentChains(all);
    return ToPolygonPoints(all, "ComputeJoinedPolyline()", result);
  } catch (const std::bad_alloc&) {
    result = PolygonPoints();
    return ReportMemory("ComputeJoinedPolyline()");
  }
}

int32_t ComputeConnectedPolyline(const ObjectRef& first, const ObjectRef& second,
                                 PolygonPoints& result) {
  result = PolygonPoints();
  std::vector<WPoint> a, b;
  for (int k = 0; k < 2; ++k) {
    const ObjectRef& object = k == 0 ? first : second;
    int32_t position = -1;
    int16_t type = 0;
    int32_t err = ResolveOperand(object, position, type);
    if (err == 0 && type != kPolylineObject) err = kErrGeneral;
    if (err == 0) err = ReadPoints(CurrentObjectFile(), position, k == 0 ? a : b);
    if (err != 0) return err;
  }
  if (a.empty() || b.empty()) return kErrGeneral;
  const WPoint ends[2][2] = {{Unflagged(a.front()), Unflagged(a.back())},
                             {Unflagged(b.front()), Unflagged(b.back())}};
  // The pair of end points nearest each other; on a tie the first's last point and the second's
  // first, so lines drawn one after the other join without turning.
  int bestA = 1, bestB = 0;
  double best = GreatCircleDistance(ends[0][1], ends[1][0]);
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      const double d = GreatCircleDistance(ends[0][i], ends[1][j]);
      if (d < best) {
        best = d;
        bestA = i;
        bestB = j;
      }
    }
  }
  std::vector<WPoint> joined;
  if (bestA == 1) {
    joined = a;
    const std::vector<WPoint> tail = bestB == 0 ? b : ReversedPolyline(b);
    joined.insert(joined.end(), tail.begin(), tail.end());
  } else {
    joined = bestB == 1 ? b : ReversedPolyline(b);
    joined.insert(joined.end(), a.begin(), a.end());
  }
  // The second line continues the first's piece from the joining point.
  const size_t seam = bestA == 1 ? a.size() : b.size();
  joined[seam] = Unflagged(joined[seam]);
  if (Unflagged(joined[seam]) == Unflagged(joined[seam - 1])) {
    joined.erase(joined.begin() + static_cast<std::ptrdiff_t>(seam));
  }
  joined[0] = Flagged(joined[0]);
  result.points = std::move(joined);
  for (const WPoint& p : result.points) UnionWRectPoint(result.bounds, Unflagged(p));
  return 0;
}

PolygonRefusal CheckMakeNewPolygon(const std::vector<ObjectRef>& objects,
                                   OperandClass& operandClass) {
  operandClass = OperandClass::kNone;
  int32_t mapID = 0, overlayID = 0;
  if (!TemporaryOverlayOnUserMap(mapID, overlayID)) {
    return PolygonRefusal::kNoTemporaryOverlayForPolygon;
  }
  if (ClassifyOperands(objects, operandClass) != 0) operandClass = OperandClass::kMixed;
  if (operandClass == OperandClass::kLines) return PolygonRefusal::kNone;
  if (operandClass == OperandClass::kAreas && objects.size() >= 2) return PolygonRefusal::kNone;
  return PolygonRefusal::kPolygonSelection;
}

int32_t MakeNewPolygon(const std::vector<ObjectRef>& objects, const MakePolygonRequest& request,
                       ObjectRef& made, PolygonRefusal& refusal) {
  made = ObjectRef();
  OperandClass operandClass = OperandClass::kNone;
  refusal = CheckMakeNewPolygon(objects, operandClass);
  if (refusal != PolygonRefusal::kNone) return kErrGeneral;
  int32_t mapID = 0, overlayID = 0;
  TemporaryOverlayOnUserMap(mapID, overlayID);
  ObjectGraphics graphics = OverlayDefaultGraphics(overlayID);
  graphics.fillPattern = kResultFill;
  PolygonPoints points;
  std::string name;
  int32_t err = 0;
  if (operandClass == OperandClass::kAreas) {
    err = ComputeCombination(objects, request.operation, points, refusal);
    if (points.noOutline) graphics.lineType = kNoOutlineLine;
    name = OperationName(request.operation);
  } else {
    err = ComputeEnvelopePoints(objects, request.distance, request.unit, points, refusal);
    graphics.colour = kEnvelopeColour;
    graphics.lineType = kNoOutlineLine;
    name = kEnvelopeName;
  }
  if (err != 0) return err;
  return CreateResultObject(kPolygonObject, name, graphics, points, made);
}

PolygonRefusal CheckMakeNewPolyline(const std::vector<ObjectRef>& objects) {
  int32_t mapID = 0, overlayID = 0;
  if (!TemporaryOverlayOnUserMap(mapID, overlayID)) {
    return PolygonRefusal::kNoTemporaryOverlayForPolyline;
  }
  OperandClass operandClass = OperandClass::kNone;
  if (ClassifyOperands(objects, operandClass) != 0 || operandClass != OperandClass::kLines ||
      objects.size() < 2) {
    return PolygonRefusal::kPolylineSelection;
  }
  return PolygonRefusal::kNone;
}

int32_t MakeNewPolyline(const std::vector<ObjectRef>& objects, ObjectRef& made,
                        PolygonRefusal& refusal) {
  made = ObjectRef();
  refusal = CheckMakeNewPolyline(objects);
  if (refusal != PolygonRefusal::kNone) return kErrGeneral;
  int32_t mapID = 0, overlayID = 0;
  TemporaryOverlayOnUserMap(mapID, overlayID);
  PolygonPoints points;
  const int32_t err = ComputeJoinedPolyline(objects, points, refusal);
  if (err != 0) return err;
  return CreateResultObject(kPolylineObject, MessageText(kMessageUnion),
                            OverlayDefaultGraphics(overlayID), points, made);
}

PolygonRefusal CheckConnectPolylines(const std::vector<ObjectRef>& objects) {
  OperandClass operandClass = OperandClass::kNone;
  if (objects.size() != 2 || ClassifyOperands(objects, operandClass) != 0 ||
      operandClass != OperandClass::kLines) {
    return PolygonRefusal::kConnectSelection;
  }
  for (const ObjectRef& object : objects) {
    LayerRecord layer;
    MapRecord map;
    if (!GetLayerRecord(LayerIDToIndex(object.overlayID), layer) || layer.lockState != 0 ||
        !GetMapRecord(MapIDToIndex(object.mapID), map) || map.locked != 0) {
      return PolygonRefusal::kLocked;
    }
  }
  return PolygonRefusal::kNone;
}

int32_t ConnectPolylinesAtNearestPoint(const std::vector<ObjectRef>& objects, ObjectRef& made,
                                       PolygonRefusal& refusal) {
  made = ObjectRef();
  refusal = CheckConnectPolylines(objects);
  if (refusal != PolygonRefusal::kNone) return kErrGeneral;
  const ObjectRef first = objects[0];
  const ObjectRef second = objects[1];
  PolygonPoints points;
  int32_t err = ComputeConnectedPolyline(first, second, points);
  if (err != 0) return err;

  // The first's own fields go to the joined line.
  ObjectContents contents;
  ObjectID id;
  std::string prefix, name;
  ObjectGraphics graphics;
  bool colourPresent = false, colourActive = false;
  uint32_t rgb = 0;
  err = UseObjectFile(first.mapID, first.overlayID);
  BufferedFile& file = CurrentObjectFile();
  if (err == 0) err = FSGetObjectID(file, first.position, id.high, id.low);
  if (err == 0) err = FSGetObjectName(file, first.position, prefix, name);
  if (err == 0) err = FSGetObjectGraphics(file, first.position, graphics);
  if (err == 0) err = GetObjectCustomColour(file, first.position, colourPresent, colourActive, rgb);
  if (err != 0) return err;
  contents.prefix = prefix;
  contents.name = name;
  contents.graphics = graphics;
  if (colourPresent) {
    contents.customColour = rgb | kCustomColourPresent | (colourActive ? kCustomColourActive : 0);
  }
  contents.rect = points.bounds;
  const auto bytes = static_cast<int64_t>(points.points.size() * sizeof(WPoint));
  if (bytes > 0x7FFFFFFF) return ReportMemory("ConnectPolylinesAtNearestPoint()");
  ScopedHandle handle(MyNewHandle(static_cast<int32_t>(bytes)));
  if (!handle) return ReportMemory("ConnectPolylinesAtNearestPoint()");
  std::memcpy(*handle.get(), points.points.data(), static_cast<size_t>(bytes));
  contents.points = handle.get();

  // The first goes before its replacement is made, so its ID is never live twice; aliases find
  // the replacement by that ID. The second takes its aliases along, and Undo brings them back.
  std::vector<UndoEntry> replaced;
  DeletedRecords firstDone, secondDone;
  err = DeleteObjectRecord(first.mapID, first.overlayID, first.position, false, false, true,
                           &firstDone);
  if (err == 0 && !firstDone.deleted) err = kErrGeneral;
  if (err != 0) return err;
  replaced.push_back({first.mapID, first.overlayID, first.position, 0, 0});
  err = DeleteObjectRecord(second.mapID, second.overlayID, second.position, true, false, true,
                           &secondDone);
  if (err == 0 && !secondDone.deleted) err = kErrGeneral;
  if (err != 0) {
    RestoreObjectRecord(first, false);
    return err;
  }
  replaced.push_back({second.mapID, second.overlayID, second.position, 0, 0});
  for (const int32_t alias : secondDone.aliases) {
    replaced.push_back(
        {second.mapID, second.overlayID, alias, kUndoAliasWentAlong, second.position});
  }
  int32_t position = -1;
  err = CreateObject(first.mapID, first.overlayID, kPolylineObject, id, contents, position);
  if (err != 0) {
    ReportError("ConnectPolylinesAtNearestPoint()", "CreateObject()", err);
    RestoreObjectRecord(first, false);
    RestoreObjectRecord(second, false);
    for (const int32_t alias : secondDone.aliases) {
      RestoreObjectRecord({second.mapID, second.overlayID, alias}, false);
    }
    return err;
  }
  made = ObjectRef{first.mapID, first.overlayID, position};
  UndoObjectRecord combined;
  combined.object = made;
  combined.before = made;
  combined.type = kPolylineObject;
  combined.oldRect = points.bounds;
  err = SetUndoJoin(combined, replaced.data(), static_cast<int32_t>(replaced.size()));
  NoteObjectAddedOrChanged(first.mapID, first.overlayID);
  RemoveAllSelectedObjects();
  AddSelectedObject(made.mapID, made.overlayID, made.position);
  return err;
}

std::vector<ObjectRef> SelectedObjectList() {
  std::vector<ObjectRef> objects;
  ObjectRef object;
  for (int32_t i = 0; GetSelectedObject(i, object); ++i) objects.push_back(object);
  return objects;
}

}  // namespace tlv
