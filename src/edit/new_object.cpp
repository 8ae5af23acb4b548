#include "edit/new_object.h"

#include <cstring>
#include <filesystem>
#include <functional>

#include "base/errors.h"
#include "base/files.h"
#include "base/memory.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/display_settings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "edit/edit_targets.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "geometry/wrect.h"
#include "store/directory_table.h"
#include "store/file_contents.h"
#include "store/store_records.h"

namespace tlv {

namespace {

// The drawing tools' own texts.
constexpr int16_t kDrawTextsList = 26100;
constexpr int16_t kTextOutsideWorld = 1;
constexpr int16_t kTextNoSize = 2;
constexpr int16_t kTextPolylinePoints = 3;
constexpr int16_t kTextPolygonPoints = 4;
constexpr int16_t kTextNoText = 5;
constexpr int16_t kTextUnknownKind = 6;
constexpr int kMessageNoUnlockedLayer = 151;
constexpr int kMessageNameTooLong = 39;
constexpr int kMessageTextTooLong = 40;

constexpr size_t kMinPolylinePiece = 2;
constexpr size_t kMinPolygonPiece = 3;

WPoint Unflagged(WPoint p) {
  return {static_cast<int32_t>(static_cast<uint32_t>(p.x) & ~kNewPieceBit), p.y};
}

bool StartsPiece(WPoint p) {
  return (static_cast<uint32_t>(p.x) & kNewPieceBit) != 0;
}

// Every piece must have at least minimum vertices.
bool PiecesLongEnough(const std::vector<WPoint>& points, size_t minimum) {
  if (points.empty()) return false;
  size_t run = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    if (i > 0 && StartsPiece(points[i])) {
      if (run < minimum) return false;
      run = 0;
    }
    ++run;
  }
  return run >= minimum;
}

bool RectInside(const WRect& r) {
  return WorldPointInside({r.x1, r.y1}) && WorldPointInside({r.x2, r.y2});
}

WRect PointsBounds(const std::vector<WPoint>& points) {
  WRect bounds = kUnionStartRect;
  for (const WPoint& p : points) UnionWRectPoint(bounds, Unflagged(p));
  return bounds;
}

bool LayerUnlocked(int32_t overlayID) {
  LayerRecord layer;
  return GetLayerRecord(LayerIDToIndex(overlayID), layer) && layer.lockState == 0;
}

}  // namespace

bool WorldPointInside(WPoint p) {
  return p.x >= kMinStoredX && p.x <= kMaxStoredX && p.y >= kMinStoredY && p.y <= kMaxStoredY;
}

NewObjectProblem CheckNewObject(const NewObject& object) {
  if (object.prefix.size() > static_cast<size_t>(kMaxNamePartLength) ||
      object.name.size() > static_cast<size_t>(kMaxNamePartLength)) {
    return NewObjectProblem::kNameTooLong;
  }
  switch (object.type) {
    case kRectangleObject:
    case kCircleObject:
    case kPictureObject:
      if (!RectInside(object.rect)) return NewObjectProblem::kOutsideWorld;
      if (object.rect.x2 <= object.rect.x1 || object.rect.y2 <= object.rect.y1) {
        return NewObjectProblem::kNoSize;
      }
      if (object.type == kPictureObject && object.text.empty()) return NewObjectProblem::kNoText;
      return NewObjectProblem::kNone;
    case kPointObject:
      return WorldPointInside(object.point) ? NewObjectProblem::kNone
                                            : NewObjectProblem::kOutsideWorld;
    case kTextObject:
      if (!WorldPointInside({object.rect.x1, object.rect.y2})) {
        return NewObjectProblem::kOutsideWorld;
      }
      if (object.text.find_first_not_of(" \t\r\n") == std::string::npos) {
        return NewObjectProblem::kNoText;
      }
      if (object.text.size() > static_cast<size_t>(kMaxTextReadLength))
        return NewObjectProblem::kTextTooLong;
      return NewObjectProblem::kNone;
    case kPolylineObject:
    case kPolygonObject: {
      for (const WPoint& p : object.points) {
        if (!WorldPointInside(Unflagged(p))) return NewObjectProblem::kOutsideWorld;
      }
      const bool polygon = object.type == kPolygonObject;
      if (!PiecesLongEnough(object.points, polygon ? kMinPolygonPiece : kMinPolylinePiece)) {
        return polygon ? NewObjectProblem::kTooFewPolygonPoints
                       : NewObjectProblem::kTooFewPolylinePoints;
      }
      // All vertices on one spot make a line or area of no size.
      const WRect bounds = PointsBounds(object.points);
      if (bounds.x1 == bounds.x2 && bounds.y1 == bounds.y2) return NewObjectProblem::kNoSize;
      return NewObjectProblem::kNone;
    }
    default:
      return NewObjectProblem::kUnknownKind;
  }
}

std::string NewObjectProblemText(NewObjectProblem problem) {
  switch (problem) {
    case NewObjectProblem::kNone:
      return {};
    case NewObjectProblem::kOutsideWorld:
      return GetIndString(kDrawTextsList, kTextOutsideWorld);
    case NewObjectProblem::kNoSize:
      return GetIndString(kDrawTextsList, kTextNoSize);
    case NewObjectProblem::kTooFewPolylinePoints:
      return GetIndString(kDrawTextsList, kTextPolylinePoints);
    case NewObjectProblem::kTooFewPolygonPoints:
      return GetIndString(kDrawTextsList, kTextPolygonPoints);
    case NewObjectProblem::kNoText:
      return GetIndString(kDrawTextsList, kTextNoText);
    case NewObjectProblem::kNameTooLong:
      return MessageText(kMessageNameTooLong);
    case NewObjectProblem::kTextTooLong:
      return MessageText(kMessageTextTooLong);
    case NewObjectProblem::kUnknownKind:
      return GetIndString(kDrawTextsList, kTextUnknownKind);
  }
  return {};
}

std::vector<int32_t> UnlockedOverlayIDs() {
  std::vector<int32_t> ids;
  LayerRecord layer;
  for (int32_t i = 0; GetLayerRecord(i, layer); ++i) {
    if (layer.lockState == 0) ids.push_back(layer.layerID);
  }
  return ids;
}

int32_t DefaultOverlayForNewObject() {
  const int32_t target = EditTargetOverlayID();
  if (target > 0 && LayerUnlocked(target)) return target;
  LayerRecord temporary;
  const bool temporaryFound = GetLayerRecord(TemporaryLayerIndex(), temporary);
  for (const int32_t id : UnlockedOverlayIDs()) {
    if (!temporaryFound || id != temporary.layerID) return id;
  }
  return temporaryFound && temporary.lockState == 0 ? temporary.layerID : 0;
}

ObjectGraphics OverlayDefaultGraphics(int32_t overlayID) {
  ObjectGraphics g;
  LayerRecord layer;
  if (!GetLayerRecord(LayerIDToIndex(overlayID), layer)) return g;
  g.symbol = layer.graphics[0];
  g.colour = layer.graphics[1];
  g.variant = layer.graphics[2];
  g.lineType = layer.graphics[3];
  g.fillPattern = layer.graphics[4];
  g.textValue = layer.graphics[5];
  g.textFlag = layer.graphics[6];
  g.textCode = layer.graphics[7];
  return g;
}

namespace {

// AddNewObject's work. placeFile (for a picture) runs once the map
// is chosen and before anything is written, and may set the file name the object names.
int32_t MakeNewObject(const NewObject& drawn,
                      const std::function<int32_t(const MapRecord&, std::string&)>& placeFile,
                      const std::function<void()>& dropFile, ObjectRef& made) {
  made = ObjectRef();
  const NewObjectProblem problem = CheckNewObject(drawn);
  if (problem != NewObjectProblem::kNone) {
    ShowAlert(NewObjectProblemText(problem), kStopAlert);
    return kErrGeneral;
  }
  AnyLayerUnlocked();
  if (!CheckUnlockedLayerForAdd()) return kErrGeneral;
  int32_t overlayID = drawn.overlayID != 0 ? drawn.overlayID : DefaultOverlayForNewObject();
  // An overlay locked since the dialog offered it takes nothing.
  if (overlayID == 0 || !LayerUnlocked(overlayID)) {
    ShowAlert(MessageText(kMessageNoUnlockedLayer), kStopAlert);
    return kErrGeneral;
  }
  const int32_t mapIndex = ChooseEditMap();
  MapRecord map;
  if (mapIndex < 0 || !GetMapRecord(mapIndex, map)) return kErrGeneral;

  NewObject object = drawn;
  if (placeFile) {
    const int32_t placed = placeFile(map, object.text);
    if (placed != 0) return placed;
  }

  ObjectContents contents;
  contents.prefix = object.prefix;
  contents.name = object.name;
  contents.graphics = object.graphics;
  if (object.customColour) contents.customColour = *object.customColour;
  ScopedHandle points;
  switch (object.type) {
    case kPointObject:
      contents.rect = WRect{object.point.x, object.point.y, object.point.x, object.point.y};
      break;
    case kTextObject:
      contents.rect = object.rect;
      contents.textOrPicture = object.text;
      break;
    case kPictureObject:
      contents.rect = object.rect;
      contents.textOrPicture = object.text;
      break;
    case kPolylineObject:
    case kPolygonObject: {
      const auto bytes = static_cast<int32_t>(object.points.size() * sizeof(WPoint));
      points.reset(MyNewHandle(bytes));
      if (points.get() == nullptr) {
        ReportError("AddNewObject()", "MyNewHandle()", kErrMemoryFull);
        if (dropFile) dropFile();
        return kErrMemoryFull;
      }
      std::memcpy(*points.get(), object.points.data(), static_cast<size_t>(bytes));
      contents.points = points.get();
      contents.rect = PointsBounds(object.points);
      break;
    }
    default:
      contents.rect = object.rect;
      break;
  }

  ObjectID id;
  int32_t err = NewObjectID(id);
  int32_t position = -1;
  if (err == 0) err = CreateObject(map.mapID, overlayID, object.type, id, contents, position);
  if (err != 0) {
    ReportError("AddNewObject()", "CreateObject()", err);
    if (dropFile) dropFile();
    return err;
  }
  made = ObjectRef{map.mapID, overlayID, position};
  UndoObjectRecord undo;
  undo.object = made;
  undo.before = made;
  undo.type = object.type;
  undo.oldRect = contents.rect.value_or(WRect{});
  SetUndoObject(kUndoCreate, undo);
  NoteObjectAddedOrChanged(map.mapID, overlayID);
  RemoveAllSelectedObjects();
  AddSelectedObject(made.mapID, made.overlayID, made.position);
  return 0;
}

}  // namespace

int32_t AddNewObject(const NewObject& object, ObjectRef& made) {
  return MakeNewObject(object, nullptr, nullptr, made);
}

int32_t CopyPictureToMapFolder(const MapRecord& map, const std::string& pictureFile,
                               std::string& copyName, std::string& copyPath) {
  copyName.clear();
  copyPath.clear();
  const std::filesystem::path source(pictureFile);
  int32_t sourceDirID = 0;
  if (!IsRegularFile(pictureFile) ||
      RegisterDirectory(source.parent_path().string() + "/", true, sourceDirID) != 0) {
    ShowAlert("The picture file cannot be read: " + pictureFile, kStopAlert);
    return kErrGeneral;
  }
  std::string unique = source.filename().string();
  int32_t err = GetUniquePictObjectFileName(map.volume, map.dirID, unique);
  if (err != 0) return err;
  // A failed copy deletes its half-made file itself.
  err = CopyFileContents(0, sourceDirID, source.filename().string().c_str(), map.volume, map.dirID,
                         unique.c_str());
  if (err != 0) {
    ReportError("CopyPictureToMapFolder()", "CopyFileContents()", err);
    return err;
  }
  copyName = unique;
  MakeFullPath(map.volume, map.dirID, unique, copyPath);
  return 0;
}

int32_t AddPictureObject(const NewObject& object, const std::string& pictureFile, ObjectRef& made) {
  made = ObjectRef();
  if (!IsRegularFile(pictureFile)) {
    ShowAlert("The picture file cannot be read: " + pictureFile, kStopAlert);
    return kErrGeneral;
  }
  std::string copyPath;
  auto place = [&](const MapRecord& map, std::string& fileName) {
    return CopyPictureToMapFolder(map, pictureFile, fileName, copyPath);
  };
  auto drop = [&copyPath] {
    if (!copyPath.empty()) DeleteFile(copyPath);
  };
  NewObject picture = object;
  picture.type = kPictureObject;
  // Replaced by the copy's name once the map is known.
  picture.text = std::filesystem::path(pictureFile).filename().string();
  return MakeNewObject(picture, place, drop, made);
}

}  // namespace tlv
