#include "edit/modify.h"

#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/display_settings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/life_cycle.h"
#include "edit/object_access.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "store/object_record.h"
#include "store/store_records.h"

namespace tlv {

namespace {

constexpr int32_t kEscapeCheckEvery = 10;
constexpr int32_t kRedrawEachUpTo = 10;
// Any cause without a message of its own (a map or overlay that no longer resolves).
constexpr int32_t kRefusedOther = 2;
constexpr int kMessageDuplicateID = 526;

struct RefusalMessages {
  int32_t code;
  int changeSingular, changePlural;
  int deleteSingular, deletePlural;  // 0: no message
};

constexpr RefusalMessages kRefusals[] = {
    {kRefusedOverlayLocked, 581, 567, 589, 587},   {kRefusedMapLocked, 583, 569, 597, 596},
    {kRefusedThematicOrOwner, 584, 570, 612, 611}, {kRefusedNewerVersion, 585, 571, 0, 0},
    {kRefusedIndexedMap, 647, 646, 644, 643},
};
constexpr RefusalMessages kOtherRefusal{kRefusedOther, 586, 572, 0, 0};

struct ModifyState {
  ModifyHooks hooks;
  int32_t command = 0;
  int32_t value = 0;
  uint32_t customRGB = 0;
  int32_t refusal = 0;  // the last refusal code, 0 for none
  bool duplicate = false;
  int32_t overrideLayer = -1;
  int32_t calls = 0;
  int32_t selectedCount = 0;
};

ModifyState state;

int32_t Refuse(int32_t code) {
  state.refusal = code;
  return 0;
}

void ShowRefusal(bool deleting) {
  if (state.refusal == 0) return;
  const RefusalMessages* messages = &kOtherRefusal;
  for (const RefusalMessages& r : kRefusals) {
    if (r.code == state.refusal) messages = &r;
  }
  const bool one = state.selectedCount == 1;
  const int m = deleting ? (one ? messages->deleteSingular : messages->deletePlural)
                         : (one ? messages->changeSingular : messages->changePlural);
  if (m != 0) ShowAlert(MessageText(m), kStopAlert);
}

int16_t UndoKindOf(int32_t command) {
  switch (command) {
    case kCommandColour:
      return kUndoColour;
    case kCommandVariant:
      return kUndoVariant;
    case kCommandLine:
      return kUndoLine;
    case kCommandFill:
      return kUndoFill;
    case kCommandSymbol:
      return kUndoSymbol;
    case kCommandPolySwap:
      return kUndoPolySwap;
    case kCommandMoveToOverlay:
      return kUndoMoveToOverlay;
    case kCommandMoveToMap:
      return kUndoMoveToMap;
    default:
      return kUndoNothing;
  }
}

// A map whose user map code (the first four characters of its owner code) is four digits
// belongs to no application.
bool IsUsersMap(const MapRecord& map) {
  for (int i = 0; i < 4; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(map.owner[i]))) return false;
  }
  return true;
}

void RedrawArea(const WRect& area) {
  const LifeCycleHooks& hooks = CurrentLifeCycleHooks();
  if (hooks.redrawArea && WRectPlaced(area)) hooks.redrawArea(area);
}

// Whether a live object with the ID already lies in the overlay file.
int32_t IDExistsAt(int32_t mapID, int32_t overlayID, const ObjectID& id, bool& exists) {
  exists = false;
  const int32_t mapIndex = MapIDToIndex(mapID);
  if (mapIndex < 0 || OverlayFileIndexForID(mapIndex, overlayID) < 0) return 0;
  int32_t walkMap = -1, walkFile = -1;
  const int32_t err = ForEachSummaryRecord(
      mapID, overlayID,
      [&](const SummaryRecord& r, int32_t) -> int32_t {
        if (SummaryRecordLive(r) && r.idHigh == id.high && r.idLow == id.low) {
          exists = true;
          return 1;
        }
        return 0;
      },
      &walkMap, &walkFile);
  return exists ? 0 : err;
}

// Copies the object (with its aliases) to the target overlay file and deletes the old record;
// object then names the copy and aliasesMoved lists the aliases that went along.
int32_t MoveObject(ObjectRef& object, int32_t targetMapID, int32_t targetOverlayID, bool& moved,
                   std::vector<RecordMove>& aliasesMoved) {
  moved = false;
  int32_t err = UseObjectFile(object.mapID, object.overlayID);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  int16_t type = 0;
  ObjectID id;
  std::string prefix, name, text;
  int32_t segmentCount = 0, firstOffset = 0, recordEnd = 0;
  err = FSGetObjectType(file, object.position, type);
  if (err == 0) err = FSGetObjectID(file, object.position, id.high, id.low);
  if (err == 0) err = FSGetObjectName(file, object.position, prefix, name);
  if (err == 0 && type == kTextObject) err = FSGetObjectText(file, object.position, text);
  const bool poly = IsPolyType(type);
  if (err == 0 && poly) err = FSGetObjectNumSegs(file, object.position, segmentCount);
  if (err == 0 && poly) {
    err = FSGetObjectSegmentRange(file, object.position, firstOffset, recordEnd);
  }
  if (err != 0) return err;

  bool exists = false;
  err = IDExistsAt(targetMapID, targetOverlayID, id, exists);
  if (err != 0) return err;
  if (exists) {
    state.duplicate = true;
    return 0;
  }
  int32_t newPosition = -1;
  err = FSCopyObject(object, targetMapID, targetOverlayID,
                     static_cast<int32_t>(prefix.size() + name.size()),
                     static_cast<int32_t>(text.size()), segmentCount,
                     poly ? recordEnd - firstOffset : 0, newPosition, true, &aliasesMoved);
  if (err != 0) return err;
  const ObjectRef copy{targetMapID, targetOverlayID, newPosition};
  const LifeCycleHooks& hooks = CurrentLifeCycleHooks();
  if (hooks.objectMoved) hooks.objectMoved(object, copy);
  DeletedRecords gone;
  err = DeleteObjectRecord(object.mapID, object.overlayID, object.position, false, false, true,
                           &gone);
  if (!gone.deleted) {
    // The old record stays live (stopped, or it could not be written): so must not the copy.
    if (hooks.objectMoved) hooks.objectMoved(copy, object);
    TakeBackCopy(copy, aliasesMoved);
    aliasesMoved.clear();
    return err != 0 ? err : kErrGeneral;
  }
  object = copy;
  moved = true;
  return err;
}

// The selected objects in selection order, every object before every alias: an object's delete
// or move takes its aliases along, and they leave the selection then, so a batch ends the same
// whichever was selected first. An object whose type cannot be read is reported by the reader;
// with skipUnreadable it is left out, else the split stops with the error.
int32_t SelectionObjectsBeforeAliases(std::vector<ObjectRef>& ordered, bool skipUnreadable) {
  ordered.clear();
  std::vector<ObjectRef> selected;
  int32_t err = ForEachSelectedObject(
      [&selected](int32_t mapID, int32_t overlayID, int32_t position) {
        selected.push_back({mapID, overlayID, position});
        return 0;
      },
      false);
  if (err != 0) return err;
  std::vector<ObjectRef> aliases;
  for (const ObjectRef& o : selected) {
    int16_t type = 0;
    // An object whose map or overlay no longer resolves is refused in its turn.
    if (MapIDToIndex(o.mapID) >= 0 && LayerIDToIndex(o.overlayID) >= 0) {
      err = UseObjectFile(o.mapID, o.overlayID);
      if (err == 0) err = FSGetObjectType(CurrentObjectFile(), o.position, type);
      if (err != 0 && skipUnreadable) continue;
      if (err != 0) return err;
    }
    (type == kAliasObject ? aliases : ordered).push_back(o);
  }
  ordered.insert(ordered.end(), aliases.begin(), aliases.end());
  return 0;
}

// Deletes the object with its aliases and records them for Undo; changed tells whether anything
// was written (a failure without it left the maps as they were).
int32_t DeleteOne(int32_t mapID, int32_t overlayID, int32_t position, bool& changed) {
  changed = false;
  const int32_t refusal = DeleteRefusal(mapID, overlayID);
  if (refusal != 0) return Refuse(refusal);
  RemoveSelectedObject(mapID, overlayID, position, true);
  DeletedRecords done;
  int32_t err = DeleteObjectRecord(mapID, overlayID, position, true, false,
                                   state.selectedCount <= kRedrawEachUpTo, &done);
  changed = done.wrote;
  // What was deleted is recorded even when a step after it failed. The aliases that went along
  // are recorded one by one, so Undo brings back exactly those.
  int32_t recorded = 0;
  if (done.deleted) recorded = AppendUndoEntry({mapID, overlayID, position, 0, 0});
  for (size_t i = 0; done.deleted && recorded == 0 && i < done.aliases.size(); ++i) {
    recorded = AppendUndoEntry({mapID, overlayID, done.aliases[i], kUndoAliasWentAlong, position});
  }
  return err != 0 ? err : recorded;
}

// Deletes the selected objects it may. An object that cannot be read is reported and passed over;
// Escape, or a failure after something was written, stops the batch.
int32_t DeleteSelection() {
  std::vector<ObjectRef> ordered;
  int32_t err = SelectionObjectsBeforeAliases(ordered, true);
  if (err != 0) return err;
  for (const ObjectRef& o : ordered) {
    if (!IsSelected(o.mapID, o.overlayID, o.position)) continue;
    bool changed = false;
    err = DeleteOne(o.mapID, o.overlayID, o.position, changed);
    if (err != 0 && (changed || LookupStoppedByUser())) return err;
  }
  return 0;
}

}  // namespace

void SetModifyHooks(ModifyHooks hooks) {
  state.hooks = std::move(hooks);
}
const ModifyHooks& CurrentModifyHooks() {
  return state.hooks;
}

void LineChoice(int32_t choice, int16_t& lineType, int16_t& variant) {
  static constexpr int16_t kTable[10][2] = {{1, 1}, {2, 1}, {1, 2}, {1, 3}, {1, 4},
                                            {4, 1}, {5, 1}, {3, 1}, {7, 1}, {10, 1}};
  lineType = 1;
  variant = 1;
  if (choice >= 1 && choice <= 10) {
    lineType = kTable[choice - 1][0];
    variant = kTable[choice - 1][1];
  }
}

int32_t ModifyOneObject(int32_t mapID, int32_t overlayID, int32_t position) {
  if (++state.calls % kEscapeCheckEvery == 0 && Platform().EscapePressed()) return kErrGeneral;
  const int32_t command = state.command;
  const bool move = command == kCommandMoveToOverlay || command == kCommandMoveToMap;
  MapRecord map;
  LayerRecord layer;
  const int32_t layerIndex = LayerIDToIndex(overlayID);
  if (!GetMapRecord(MapIDToIndex(mapID), map) || !GetLayerRecord(layerIndex, layer)) {
    return Refuse(kRefusedOther);
  }
  // An application's lock (kind 2) still lets the user restyle its objects, not move them.
  if (!(layer.lockState == 0 || (layer.lockState == kOwnedBit && !move))) {
    return Refuse(kRefusedOverlayLocked);
  }
  if (map.indexed != 0) return Refuse(kRefusedIndexedMap);
  if (map.locked != 0) return Refuse(kRefusedMapLocked);
  if (state.hooks.thematicMode && state.hooks.thematicMode(mapID, overlayID)) {
    return Refuse(kRefusedThematicOrOwner);
  }

  int32_t err = UseObjectFile(mapID, overlayID);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  int32_t versionFlags = 0;
  int16_t type = 0;
  ObjectGraphics g;
  uint32_t colourField = 0;
  err = FSGetObjectVersionFlags(file, position, versionFlags);
  if (err == 0) err = FSGetObjectType(file, position, type);
  if (err == 0 && type != kAliasObject) err = FSGetObjectGraphics(file, position, g);
  if (err == 0) err = FSGetObjectNolongerStateCounty(file, position, colourField);
  if (err != 0) return err;
  if ((versionFlags & kVersionModifiable) == 0) return Refuse(kRefusedNewerVersion);

  ObjectRef object{mapID, overlayID, position};
  UndoEntry entry;
  std::vector<RecordMove> aliasesMoved;
  if (move) {
    // An alias stands for an object of its own overlay file: moved alone it would stand for
    // nothing. With its object it has gone along already.
    if (type == kAliasObject) return Refuse(kRefusedOther);
    int32_t targetMap = mapID, targetOverlay = overlayID;
    if (command == kCommandMoveToOverlay) {
      if (state.value == overlayID) return 0;
      LayerRecord target;
      if (!GetLayerRecord(LayerIDToIndex(state.value), target)) return Refuse(kRefusedOther);
      // Objects moved in could not be changed, moved back or undone there.
      if (target.lockState != 0) return Refuse(kRefusedOverlayLocked);
      targetOverlay = state.value;
      entry.oldValue = overlayID;
    } else {
      if (state.value == mapID) return 0;
      MapRecord target;
      if (!GetMapRecord(MapIDToIndex(state.value), target)) return Refuse(kRefusedOther);
      if (target.indexed != 0) return Refuse(kRefusedIndexedMap);
      if (target.locked != 0) return Refuse(kRefusedMapLocked);
      targetMap = state.value;
      entry.oldValue = mapID;
    }
    entry.oldValue2 = position;
    bool moved = false;
    err = MoveObject(object, targetMap, targetOverlay, moved, aliasesMoved);
    if (err != 0 || !moved) return err;
  } else {
    ObjectContents contents;
    ObjectGraphics& changed = contents.graphics.emplace(g);
    const uint32_t clearedColour = colourField & (kCustomColourRGBMask | kCustomColourPresent);
    switch (command) {
      case kCommandColour:
        entry.oldValue = g.colour;
        entry.oldValue2 = static_cast<int32_t>(colourField);
        changed.colour = static_cast<int16_t>(state.value);
        contents.customColour = clearedColour;
        break;
      case kCommandVariant:
        entry.oldValue = g.variant;
        changed.variant = static_cast<int16_t>(state.value);
        break;
      case kCommandLine:
        entry.oldValue = g.lineType * 65536 + g.variant;
        LineChoice(state.value, changed.lineType, changed.variant);
        break;
      case kCommandFill:
        entry.oldValue = g.fillPattern;
        changed.fillPattern = static_cast<int16_t>(state.value);
        break;
      case kCommandSymbol:
        entry.oldValue = g.symbol;
        changed.symbol = static_cast<int16_t>(state.value);
        break;
      case kCommandPolySwap:
        if (state.value != kPolySwapValue) return 0;
        if (type != kPolylineObject && type != kPolygonObject) return 0;
        contents.graphics.reset();
        err = FSSetObjectType(file, position,
                              type == kPolylineObject ? kPolygonObject : kPolylineObject);
        if (err != 0) return err;
        break;
      default:
        return Refuse(kRefusedOther);
    }
    if (command == kCommandColour && state.value == kCustomColourValue) {
      err = SetObjectCustomColour(file, position, state.customRGB);
    } else {
      err = UpdateObject(mapID, overlayID, position, contents, 0, 0);
    }
    if (err != 0) return err;
    if (layer.graphicsOverride == 1) state.overrideLayer = layerIndex;
  }

  err = UseObjectFile(object.mapID, object.overlayID);
  WRect rect;
  if (err == 0) err = FSGetObjectWorldRect(CurrentObjectFile(), object.position, rect);
  if (err != 0) return err;
  RedrawArea(rect);
  entry.mapID = object.mapID;
  entry.overlayID = object.overlayID;
  entry.position = object.position;
  err = AppendUndoEntry(entry);
  // Each alias that went along is a move of its own, so Undo takes back exactly those.
  for (size_t i = 0; err == 0 && i < aliasesMoved.size(); ++i) {
    const RecordMove& m = aliasesMoved[i];
    err = AppendUndoEntry({m.to.mapID, m.to.overlayID, m.to.position,
                           command == kCommandMoveToOverlay ? m.from.overlayID : m.from.mapID,
                           m.from.position});
  }
  return err;
}

int32_t ModifySelectedObjects(int32_t command, int32_t value) {
  state.command = command;
  state.value = value;
  state.refusal = 0;
  state.duplicate = false;
  state.overrideLayer = -1;
  state.calls = 0;
  if (command == kCommandColour && value == kCustomColourValue) {
    uint32_t rgb = 0;
    if (!state.hooks.chooseCustomColour || !state.hooks.chooseCustomColour(rgb)) return kErrGeneral;
    state.customRGB = rgb & kCustomColourRGBMask;
  }
  const int16_t kind = UndoKindOf(command);
  if (kind == kUndoNothing) return kErrGeneral;
  if (BeginUndoList(kind) != 0) return kErrGeneral;
  state.selectedCount = SelectedObjectCount();
  int32_t err = 0;
  if (command == kCommandMoveToOverlay || command == kCommandMoveToMap) {
    std::vector<ObjectRef> ordered;
    err = SelectionObjectsBeforeAliases(ordered, false);
    for (size_t i = 0; err == 0 && i < ordered.size(); ++i) {
      const ObjectRef& o = ordered[i];
      // An alias that went along with its object's move has left the selection already.
      if (IsSelected(o.mapID, o.overlayID, o.position)) {
        err = ModifyOneObject(o.mapID, o.overlayID, o.position);
      }
    }
  } else {
    err = ForEachSelectedObject(
        [](int32_t mapID, int32_t overlayID, int32_t position) {
          if (!IsSelected(mapID, overlayID, position)) return 0;
          return ModifyOneObject(mapID, overlayID, position);
        },
        true);
  }
  ShowRefusal(false);
  if (state.duplicate) ShowAlert(MessageText(kMessageDuplicateID), kStopAlert);
  if (state.overrideLayer >= 0) NoteGraphicsOverride(state.overrideLayer);
  return err;
}

int32_t DeleteRefusal(int32_t mapID, int32_t overlayID) {
  MapRecord map;
  LayerRecord layer;
  if (!GetMapRecord(MapIDToIndex(mapID), map) ||
      !GetLayerRecord(LayerIDToIndex(overlayID), layer)) {
    return kRefusedOther;
  }
  // On the user's own maps a lock only guards against changes, not against deleting.
  if (!IsUsersMap(map)) {
    const int32_t lock = layer.lockState;
    const bool locked = (lock != 0 && lock != kOwnedBit) ||
                        (lock == kOwnedBit && (layer.flags & kNoDeleteFlag) != 0);
    if (locked) return lock == kOwnedBit ? kRefusedThematicOrOwner : kRefusedOverlayLocked;
  }
  if (map.indexed != 0) return kRefusedIndexedMap;
  if (map.locked != 0) return kRefusedMapLocked;
  return 0;
}

int32_t DeleteOneObject(int32_t mapID, int32_t overlayID, int32_t position) {
  bool changed = false;
  return DeleteOne(mapID, overlayID, position, changed);
}

int32_t DeleteSelectedObjects2() {
  state.refusal = 0;
  if (BeginUndoList(kUndoDelete) != 0) return kErrGeneral;
  state.selectedCount = SelectedObjectCount();
  Platform().SetWaitCursor(true);
  const int32_t err = DeleteSelection();
  if (state.selectedCount > kRedrawEachUpTo && state.hooks.redrawMap) state.hooks.redrawMap();
  ShowRefusal(true);
  Platform().SetMessageLine("");
  Platform().SetWaitCursor(false);
  return err;
}

int32_t LastRefusalCode() {
  return state.refusal;
}

void ResetModifyForTesting() {
  state = ModifyState();
}

}  // namespace tlv
