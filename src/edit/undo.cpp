#include "edit/undo.h"

#include <algorithm>
#include <bit>
#include <utility>
#include <vector>

#include "base/endian.h"
#include "base/errors.h"
#include "base/strings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "edit/modify.h"
#include "edit/object_access.h"
#include "edit/selection.h"
#include "store/store_records.h"
#include "store/summary.h"

namespace tlv {

namespace {

constexpr int kMessageUndoLocked = 144;

struct UndoState {
  int16_t kind = kUndoNothing;
  Handle list = nullptr;  // UndoEntry
  // UndoAttributeEntry; the Handle grows by doubling, attributeCount entries are in use.
  Handle attributes = nullptr;
  int32_t attributeCount = 0;
  UndoObjectRecord object;
  UndoSegmentRecord segment;
  // Where each segment key stands in the attribute list (index + 1, 0 for none), so storing one
  // more key does not search a list of thousands.
  std::vector<int32_t> attributeIndex;
};

UndoState state;

HandleArray<UndoEntry> Entries() {
  if (state.list == nullptr) state.list = MyNewHandle(0);
  return HandleArray<UndoEntry>(state.list);
}

HandleArray<UndoAttributeEntry> AttributeEntries() {
  if (state.attributes == nullptr) state.attributes = MyNewHandle(0);
  return HandleArray<UndoAttributeEntry>(state.attributes);
}

int32_t EmptyList() {
  HandleArray<UndoEntry> entries = Entries();
  if (!entries.valid() || entries.Resize(0) != 0) {
    ReportError("SetUndoNothing()", "MySetHandleSize()", kErrMemoryFull);
    return kErrGeneral;
  }
  return 0;
}

void RedrawArea(const WRect& area) {
  const LifeCycleHooks& hooks = CurrentLifeCycleHooks();
  if (hooks.redrawArea && WRectPlaced(area)) hooks.redrawArea(area);
}

// An overlay its owning application locked (lock kind 1 or 3) may not change behind its back.
bool OverlayLockedForUndo(int32_t overlayID) {
  LayerRecord layer;
  if (!GetLayerRecord(LayerIDToIndex(overlayID), layer)) return false;
  return layer.lockState == 1 || layer.lockState == 3;
}

bool MapLocked(int32_t mapID) {
  MapRecord map;
  return GetMapRecord(MapIDToIndex(mapID), map) && map.locked != 0;
}

bool AnyEditedOverlayLocked() {
  if (state.kind == kUndoDelete) {
    // Bringing back what a delete took follows the delete's own rule: on the user's maps an
    // overlay's lock guards against changes only, and every overlay loads locked.
    const HandleArray<UndoEntry> entries = Entries();
    for (int32_t i = 0; i < entries.Count(); ++i) {
      const UndoEntry entry = entries.Get(i);
      if (DeleteRefusal(entry.mapID, entry.overlayID) != 0) return true;
    }
    return false;
  }
  const bool single = state.kind >= kUndoReshapeHandle && state.kind <= kUndoCreate;
  if (single || state.kind == kUndoSegmentAttributes || state.kind == kUndoJoin) {
    if (OverlayLockedForUndo(state.object.object.overlayID)) return true;
    if (state.kind == kUndoDialogEdit && OverlayLockedForUndo(state.object.before.overlayID)) {
      return true;
    }
    if (single || state.kind == kUndoSegmentAttributes) return false;
  }
  const HandleArray<UndoEntry> entries = Entries();
  for (int32_t i = 0; i < entries.Count(); ++i) {
    const UndoEntry entry = entries.Get(i);
    if (OverlayLockedForUndo(entry.overlayID)) return true;
    // A move goes back to the old overlay, which must not be locked either.
    if (state.kind == kUndoMoveToOverlay && OverlayLockedForUndo(entry.oldValue)) return true;
    // A locked map is never written: a move back would delete on one side only.
    if (state.kind == kUndoMoveToOverlay || state.kind == kUndoMoveToMap) {
      if (MapLocked(entry.mapID)) return true;
      if (state.kind == kUndoMoveToMap && MapLocked(entry.oldValue)) return true;
    }
  }
  return false;
}

// Puts back the saved rectangle when it differs from the current one, keeping the current one
// for a redo.
int32_t SwapRect(UndoObjectRecord& record) {
  const ObjectRef& o = record.object;
  int32_t err = UseObjectFile(o.mapID, o.overlayID);
  WRect current;
  if (err == 0) err = FSGetObjectWorldRect(CurrentObjectFile(), o.position, current);
  if (err != 0 || current == record.oldRect) return err;
  const WRect saved = record.oldRect;
  err = ChangeObjectWRect(o.mapID, o.overlayID, o.position, &saved, 0, 0);
  if (err == 0) record.oldRect = current;
  return err;
}

int32_t ObjectType(const ObjectRef& o, int16_t& type) {
  int32_t err = UseObjectFile(o.mapID, o.overlayID);
  if (err == 0) err = FSGetObjectType(CurrentObjectFile(), o.position, type);
  return err;
}

void Select(const ObjectRef& o) {
  AddSelectedObject(o.mapID, o.overlayID, o.position);
}

// Takes an object from where it is now back to its old record: deleted here, brought back there.
// When the old record cannot be brought back, the object stays where it is, so it is never lost
// in both places.
int32_t MoveBack(const ObjectRef& now, const ObjectRef& old) {
  const LifeCycleHooks& hooks = CurrentLifeCycleHooks();
  if (hooks.objectMoved) hooks.objectMoved(now, old);
  DeletedRecords gone;
  int32_t err =
      DeleteObjectRecord(now.mapID, now.overlayID, now.position, false, false, true, &gone);
  if (err == 0 && gone.deleted) err = RestoreObjectRecord(old, true);
  if (err != 0) {
    if (gone.deleted) RestoreObjectRecord(now, true);
    if (hooks.objectMoved) hooks.objectMoved(old, now);
  }
  return err;
}

// An alias only went along with its object, so it does not stay selected after a move back.
void DeselectAlias(const ObjectRef& o) {
  int16_t type = 0;
  if (ObjectType(o, type) == 0 && type == kAliasObject) {
    RemoveSelectedObject(o.mapID, o.overlayID, o.position, true);
  }
}

// ---- Reversals -------------------------------------------------------------------------------

// Brings back (or deletes again) each entry's object with the aliases recorded after it, and
// those only.
int32_t UndoDeletes() {
  HandleArray<UndoEntry> entries = Entries();
  const int32_t count = entries.Count();
  for (int32_t i = 0; i < count;) {
    const UndoEntry e = entries.Get(i++);
    std::vector<int32_t> aliases;
    while (i < count) {
      const UndoEntry a = entries.Get(i);
      if (a.oldValue != kUndoAliasWentAlong || a.mapID != e.mapID || a.overlayID != e.overlayID ||
          a.oldValue2 != e.position || e.oldValue == kUndoAliasWentAlong) {
        break;
      }
      aliases.push_back(a.position);
      ++i;
    }
    const int32_t err = UndeleteObjectRecord(e.mapID, e.overlayID, e.position, aliases);
    if (err != 0) return err;
  }
  return 0;
}

int32_t SwapGraphics(int16_t kind) {
  HandleArray<UndoEntry> entries = Entries();
  for (int32_t i = 0; i < entries.Count(); ++i) {
    UndoEntry e = entries.Get(i);
    int32_t err = UseObjectFile(e.mapID, e.overlayID);
    if (err != 0) return err;
    BufferedFile& file = CurrentObjectFile();
    int16_t type = 0;
    ObjectGraphics g;
    WRect rect;
    err = FSGetObjectType(file, e.position, type);
    if (err == 0) err = FSGetObjectWorldRect(file, e.position, rect);
    if (err == 0 && type != kAliasObject) err = FSGetObjectGraphics(file, e.position, g);
    if (err != 0) return err;
    switch (kind) {
      case kUndoColour: {
        uint32_t field = 0;
        err = FSGetObjectNolongerStateCounty(file, e.position, field);
        if (err == 0) {
          err =
              FSSetObjectNoLongerStateCounty(file, e.position, static_cast<uint32_t>(e.oldValue2));
        }
        if (err != 0) return err;
        const int16_t now = g.colour;
        g.colour = static_cast<int16_t>(e.oldValue);
        e.oldValue = now;
        e.oldValue2 = static_cast<int32_t>(field);
        break;
      }
      case kUndoVariant: {
        const int16_t now = g.variant;
        g.variant = static_cast<int16_t>(e.oldValue);
        e.oldValue = now;
        break;
      }
      case kUndoLine: {
        const int32_t now = g.lineType * 65536 + g.variant;
        g.lineType = static_cast<int16_t>(e.oldValue / 65536);
        g.variant = static_cast<int16_t>(e.oldValue % 65536);
        e.oldValue = now;
        break;
      }
      case kUndoFill: {
        const int16_t now = g.fillPattern;
        g.fillPattern = static_cast<int16_t>(e.oldValue);
        e.oldValue = now;
        break;
      }
      case kUndoSymbol: {
        const int16_t now = g.symbol;
        g.symbol = static_cast<int16_t>(e.oldValue);
        e.oldValue = now;
        break;
      }
      case kUndoPolySwap:
        // Only polylines and polygons were swapped; anything else is passed over.
        if (!IsPolyType(type)) continue;
        err = FSSetObjectType(file, e.position,
                              type == kPolylineObject ? kPolygonObject : kPolylineObject);
        if (err != 0) return err;
        e.oldValue = 0;
        break;
      default:
        return kErrGeneral;
    }
    if (kind != kUndoPolySwap && type != kAliasObject) {
      err = FSSetObjectGraphics(file, e.position, g);
      if (err != 0) return err;
    }
    entries.Set(i, e);
    Select({e.mapID, e.overlayID, e.position});
    RedrawArea(rect);
  }
  return 0;
}

// Each entry, an object's or an alias's that went along, moves back on its own, so the order in
// which the objects were selected does not matter.
int32_t UndoMoves(int16_t kind) {
  HandleArray<UndoEntry> entries = Entries();
  for (int32_t i = 0; i < entries.Count(); ++i) {
    UndoEntry e = entries.Get(i);
    const ObjectRef now{e.mapID, e.overlayID, e.position};
    const ObjectRef old = kind == kUndoMoveToOverlay
                              ? ObjectRef{e.mapID, e.oldValue, e.oldValue2}
                              : ObjectRef{e.oldValue, e.overlayID, e.oldValue2};
    const int32_t err = MoveBack(now, old);
    if (err != 0) return err;
    DeselectAlias(old);
    e = kind == kUndoMoveToOverlay
            ? UndoEntry{old.mapID, old.overlayID, old.position, now.overlayID, now.position}
            : UndoEntry{old.mapID, old.overlayID, old.position, now.mapID, now.position};
    entries.Set(i, e);
  }
  return 0;
}

int32_t UndoOffsets() {
  HandleArray<UndoEntry> entries = Entries();
  for (int32_t i = 0; i < entries.Count(); ++i) {
    UndoEntry e = entries.Get(i);
    e.oldValue = -e.oldValue;
    e.oldValue2 = -e.oldValue2;
    const int32_t err =
        ChangeObjectWRect(e.mapID, e.overlayID, e.position, nullptr, e.oldValue, e.oldValue2);
    if (err != 0) return err;
    entries.Set(i, e);
    Select({e.mapID, e.overlayID, e.position});
  }
  return 0;
}

int32_t UndoReshape() {
  UndoObjectRecord& r = state.object;
  int32_t err = SwapRect(r);
  int16_t type = 0;
  if (err == 0) err = ObjectType(r.object, type);
  if (err != 0) return err;
  if (IsPolyType(type) && r.segmentNumbers[0] >= 0) {
    std::vector<StoredSegmentState> segments;
    int32_t room = 0;
    err = ReadSegments(r.object.mapID, r.object.overlayID, r.object.position, segments, room);
    if (err != 0) return err;
    for (int32_t k = 0; k < 2; ++k) {
      const int32_t n = r.segmentNumbers[k];
      if (n < 0 || n >= static_cast<int32_t>(segments.size())) continue;
      std::swap(segments[static_cast<size_t>(n)], r.segments[k]);
    }
    err = WriteSegments(r.object.mapID, r.object.overlayID, r.object.position, segments, "Undo()");
    if (err != 0) return err;
  }
  Select(r.object);
  return 0;
}

int32_t UndoSegmentChange(bool removeAgain) {
  UndoObjectRecord& r = state.object;
  UndoSegmentRecord& s = state.segment;
  std::vector<StoredSegmentState> segments;
  int32_t room = 0;
  int32_t err = ReadSegments(r.object.mapID, r.object.overlayID, r.object.position, segments, room);
  if (err != 0) return err;
  const auto n = static_cast<size_t>(s.number);
  if (s.number < 0 || n > segments.size() || (removeAgain && n == segments.size())) {
    ReportError("Undo()", "FSGetObjectSegA()", kErrGeneral);
    return kErrGeneral;
  }
  if (removeAgain) {
    s.segment = segments[n];
    segments.erase(segments.begin() + static_cast<std::ptrdiff_t>(n));
  } else {
    segments.insert(segments.begin() + static_cast<std::ptrdiff_t>(n), s.segment);
  }
  int32_t needed = 0;
  for (const auto& segment : segments) needed += StoredSize(segment);
  if (needed > room) {
    ReportError("Undo()", "FSSetObjectNumSegs()", kErrBadLength);
    return kErrBadLength;
  }
  err = WriteSegments(r.object.mapID, r.object.overlayID, r.object.position, segments, "Undo()");
  if (err == 0) err = SwapRect(r);
  if (err != 0) return err;
  state.kind = removeAgain ? kUndoDeleteSegment : kUndoAddSegment;
  Select(r.object);
  return 0;
}

int32_t UndoDialogEdit() {
  UndoObjectRecord& r = state.object;
  const bool moved = r.before.mapID != r.object.mapID || r.before.overlayID != r.object.overlayID ||
                     r.before.position != r.object.position;
  if (moved) {
    int32_t err = MoveBack(r.object, r.before);
    if (err != 0) return err;
    std::swap(r.object, r.before);
    for (RecordMove& alias : r.aliasesMoved) {
      err = MoveBack(alias.to, alias.from);
      if (err != 0) return err;
      RemoveSelectedObject(alias.from.mapID, alias.from.overlayID, alias.from.position, true);
      std::swap(alias.from, alias.to);
    }
    return 0;
  }
  int32_t err = UseObjectFile(r.object.mapID, r.object.overlayID);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  int16_t type = 0;
  UndoObjectRecord found = r;
  err = FSGetObjectType(file, r.object.position, type);
  if (err == 0) err = FSGetObjectName(file, r.object.position, found.prefix, found.name);
  if (err == 0 && type != kAliasObject)
    err = FSGetObjectGraphics(file, r.object.position, found.graphics);
  if (err == 0) err = FSGetObjectNolongerStateCounty(file, r.object.position, found.customColour);
  if (err == 0) err = FSGetObjectWorldRect(file, r.object.position, found.oldRect);
  if (err == 0 && type == kTextObject) err = FSGetObjectText(file, r.object.position, found.text);
  if (err != 0) return err;

  ObjectContents contents;
  contents.prefix = r.prefix;
  contents.name = r.name;
  if (type != kAliasObject) contents.graphics = r.graphics;
  contents.customColour = r.customColour;
  if (type == kTextObject) contents.textOrPicture = r.text;
  const bool placedByRect =
      type == kRectangleObject || type == kTextObject || type == kPictureObject;
  if (placedByRect) contents.rect = r.oldRect;
  ObjectRef object = r.object;
  err = ReplaceObjectContents(object, object.mapID, nullptr, contents, placedByRect ? 0 : -r.dx,
                              placedByRect ? 0 : -r.dy);
  if (err != 0) return err;
  found.object = object;
  found.before = object;
  found.dx = -r.dx;
  found.dy = -r.dy;
  r = found;
  Select(r.object);
  return 0;
}

int32_t UndoCreate() {
  const ObjectRef o = state.object.object;
  DeletedRecords done;
  int32_t err = DeleteObjectRecord(o.mapID, o.overlayID, o.position, true, false, true, &done);
  if (err != 0) return err;
  err = BeginUndoList(kUndoDelete);
  if (err == 0) err = AppendUndoEntry({o.mapID, o.overlayID, o.position, 0, 0});
  for (size_t i = 0; err == 0 && i < done.aliases.size(); ++i) {
    err = AppendUndoEntry({o.mapID, o.overlayID, done.aliases[i], kUndoAliasWentAlong, o.position});
  }
  return err;
}

int32_t UndoAttributes() {
  const ObjectRef o = state.object.object;
  std::vector<StoredSegmentState> segments;
  int32_t room = 0;
  int32_t err = ReadSegments(o.mapID, o.overlayID, o.position, segments, room);
  if (err != 0) return err;
  HandleArray<UndoAttributeEntry> entries = AttributeEntries();
  for (int32_t i = 0; i < state.attributeCount; ++i) {
    UndoAttributeEntry e = entries.Get(i);
    if (e.key < 0 || e.key >= static_cast<int32_t>(segments.size())) continue;
    StoredSegmentState& segment = segments[static_cast<size_t>(e.key)];
    const StoredSegmentState replaced = segment;
    segment.x = static_cast<uint32_t>(e.x);
    segment.y = e.y;
    segment.mask = e.mask;
    std::copy_n(e.values, kSegmentAttributeCount, segment.values);
    e.x = static_cast<int32_t>(replaced.x);
    e.y = replaced.y;
    e.mask = replaced.mask;
    std::copy_n(replaced.values, kSegmentAttributeCount, e.values);
    entries.Set(i, e);
  }
  err = WriteSegments(o.mapID, o.overlayID, o.position, segments, "Undo()");
  if (err == 0) Select(o);
  return err;
}

int32_t UndoJoin() {
  const ObjectRef o = state.object.object;
  int32_t err = DeleteObjectRecord(o.mapID, o.overlayID, o.position, false, false, true);
  if (err == 0) err = UndoDeletes();
  if (err != 0) return err;
  SetUndoNothing();
  return 0;
}

}  // namespace

int16_t UndoKindNow() {
  return state.kind;
}

void SetUndoNothing() {
  EmptyList();
  state.kind = kUndoNothing;
}

int32_t BeginUndoList(int16_t kind) {
  state.kind = kind;
  HandleArray<UndoEntry> entries = Entries();
  if (!entries.valid() || entries.Resize(0) != 0) {
    ReportError("BeginUndoList()", "MySetHandleSize()", kErrMemoryFull);
    return kErrGeneral;
  }
  return 0;
}

int32_t AppendUndoEntry(const UndoEntry& entry) {
  HandleArray<UndoEntry> entries = Entries();
  if (!entries.valid() || entries.Append(entry) != 0) {
    ReportError("AppendUndoEntry()", "MySetHandleSize()", kErrMemoryFull);
    return kErrGeneral;
  }
  return 0;
}

Handle UndoList() {
  return Entries().handle();
}
int32_t UndoEntryCount() {
  return Entries().Count();
}

bool GetUndoEntry(int32_t index, UndoEntry& entry) {
  const HandleArray<UndoEntry> entries = Entries();
  if (index < 0 || index >= entries.Count()) return false;
  entry = entries.Get(index);
  return true;
}

void SetUndoObject(int16_t kind, const UndoObjectRecord& record) {
  state.kind = kind;
  state.object = record;
}

void SetUndoSegment(int16_t kind, const UndoObjectRecord& record,
                    const UndoSegmentRecord& segment) {
  state.kind = kind;
  state.object = record;
  state.segment = segment;
}

const UndoObjectRecord& UndoObject() {
  return state.object;
}
const UndoSegmentRecord& UndoSegment() {
  return state.segment;
}

int32_t SetUndoJoin(const UndoObjectRecord& combined, const UndoEntry* replaced, int32_t count) {
  int32_t err = BeginUndoList(kUndoJoin);
  for (int32_t i = 0; err == 0 && i < count; ++i) err = AppendUndoEntry(replaced[i]);
  state.object = combined;
  if (err != 0) SetUndoNothing();
  return err;
}

void BeginUndoAttributes(const ObjectRef& object) {
  state.kind = kUndoSegmentAttributes;
  state.object = UndoObjectRecord();
  state.object.object = object;
  state.object.before = object;
  AttributeEntries().Resize(0);
  state.attributeCount = 0;
  state.attributeIndex.clear();
}

int32_t UpdateUndoAttributeList(int16_t key, const StoredSegmentState& current) {
  HandleArray<UndoAttributeEntry> entries = AttributeEntries();
  UndoAttributeEntry entry;
  entry.key = key;
  entry.x = static_cast<int32_t>(current.x);
  entry.y = current.y;
  entry.mask = current.mask;
  std::copy_n(current.values, kSegmentAttributeCount, entry.values);
  if (state.attributeIndex.empty()) state.attributeIndex.assign(65536, 0);
  int32_t& slot = state.attributeIndex[static_cast<uint16_t>(key)];
  if (slot > 0 && slot <= state.attributeCount && entries.Get(slot - 1).key == key) {
    entries.Set(slot - 1, entry);
    return 0;
  }
  if (state.attributeCount >= kMaxUndoAttributeEntries) return 0;
  if (state.attributeCount >= entries.Count()) {
    const int32_t capacity =
        std::min(kMaxUndoAttributeEntries, std::max(64, 2 * state.attributeCount));
    if (!entries.valid() || entries.Resize(capacity) != 0) {
      ReportError("UpdateUndoAttributeList()", "MySetHandleSize()", kErrMemoryFull);
      return kErrGeneral;
    }
  }
  entries.Set(state.attributeCount++, entry);
  slot = state.attributeCount;
  return 0;
}

int32_t UndoAttributeCount() {
  return state.attributeCount;
}

bool GetUndoAttributeEntry(int32_t index, UndoAttributeEntry& entry) {
  if (index < 0 || index >= state.attributeCount) return false;
  entry = AttributeEntries().Get(index);
  return true;
}

int32_t ReadStoredSegment(int32_t mapID, int32_t overlayID, int32_t position, int32_t number,
                          StoredSegmentState& segment) {
  std::vector<StoredSegmentState> segments;
  int32_t room = 0;
  const int32_t err = ReadSegments(mapID, overlayID, position, segments, room);
  if (err != 0) return err;
  if (number < 0 || number >= static_cast<int32_t>(segments.size())) return kErrGeneral;
  segment = segments[static_cast<size_t>(number)];
  return 0;
}

int32_t Undo() {
  CloseBufferedFiles();
  if (AnyEditedOverlayLocked()) {
    ShowAlert(MessageText(kMessageUndoLocked), kStopAlert);
    return kErrGeneral;
  }
  RemoveAllSelectedObjects();
  switch (state.kind) {
    case kUndoNothing:
      return 0;
    case kUndoDelete:
      return UndoDeletes();
    case kUndoColour:
    case kUndoVariant:
    case kUndoLine:
    case kUndoFill:
    case kUndoSymbol:
    case kUndoPolySwap:
      return SwapGraphics(state.kind);
    case kUndoMoveToOverlay:
    case kUndoMoveToMap:
      return UndoMoves(state.kind);
    case kUndoOffset:
      return UndoOffsets();
    case kUndoReshapeHandle:
    case kUndoReshapePoint:
      return UndoReshape();
    case kUndoAddSegment:
      return UndoSegmentChange(true);
    case kUndoDeleteSegment:
      return UndoSegmentChange(false);
    case kUndoDialogEdit:
      return UndoDialogEdit();
    case kUndoCreate:
      return UndoCreate();
    case kUndoSegmentAttributes:
      return UndoAttributes();
    case kUndoJoin:
      return UndoJoin();
    default:
      return kErrGeneral;
  }
}

void ResetUndoForTesting() {
  if (state.list != nullptr) MyDisposeHandle(state.list);
  if (state.attributes != nullptr) MyDisposeHandle(state.attributes);
  state = UndoState();
}

}  // namespace tlv
