// The one undoable step: the last editing operation on map objects. Each editing operation
// records, before it changes anything, what it needs to reverse itself in one of three stores
// (the undo list, the single-object record with its segment record, the attribute list) and sets
// the undo kind. Undo reverses it and keeps what it replaced, so a second Undo redoes the step.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/memory.h"
#include "base/world_types.h"
#include "edit/life_cycle.h"
#include "edit/stored_segments.h"
#include "store/object_record.h"

namespace tlv {

enum UndoKind : int16_t {
  kUndoNothing = 0,
  kUndoDelete = 1,
  kUndoColour = 2,
  kUndoVariant = 3,
  kUndoLine = 4,
  kUndoFill = 5,
  kUndoSymbol = 6,
  kUndoMoveToOverlay = 7,
  kUndoMoveToMap = 8,
  kUndoOffset = 9,
  kUndoReshapeHandle = 10,
  kUndoReshapePoint = 11,
  kUndoAddSegment = 12,
  kUndoDeleteSegment = 13,
  kUndoDialogEdit = 14,
  kUndoCreate = 15,
  kUndoSegmentAttributes = 16,
  kUndoPolySwap = 17,
  kUndoJoin = 18,
};

// One entry of the undo list: the object and the one or two values it had before. An alias that
// went along with its object is an entry of its own, after its object's: in a delete (kind 1) its
// old value is kUndoAliasWentAlong and its second old value its object's position; in a move
// (kinds 7 and 8) it is a move like its object's.
struct UndoEntry {
  int32_t mapID = 0;
  int32_t overlayID = 0;
  int32_t position = -1;
  int32_t oldValue = 0;
  int32_t oldValue2 = 0;
};
static_assert(sizeof(UndoEntry) == 20);
constexpr int32_t kUndoAliasWentAlong = 1;

// One entry of the attribute list: a segment number and that segment's stored state.
struct UndoAttributeEntry {
  int16_t key = 0;
  int32_t x = 0;
  int32_t y = 0;
  uint16_t mask = 0;
  int32_t values[kSegmentAttributeCount] = {};
};
static_assert(sizeof(UndoAttributeEntry) == 76);
constexpr int32_t kMaxUndoAttributeEntries = 32001;

// The single-object record of kinds 10 to 15 and 18.
struct UndoObjectRecord {
  ObjectRef object;
  // Where the object was before the edit moved it to another overlay or map (kind 14); equal to
  // object when it stayed. The aliases that went along (ReplaceObjectContents lists them).
  ObjectRef before;
  std::vector<RecordMove> aliasesMoved;
  int16_t type = 0;
  WRect oldRect;
  int32_t dx = 0;
  int32_t dy = 0;
  // Segment numbers of up to two stored segments the edit touched (-1: none) and their contents.
  int32_t segmentNumbers[2] = {-1, -1};
  StoredSegmentState segments[2];
  // Dialog edits: the old prefix and name, graphics, text and custom-colour field.
  std::string prefix;
  std::string name;
  ObjectGraphics graphics;
  std::string text;
  uint32_t customColour = 0;
};

// The segment record of kinds 12 and 13.
struct UndoSegmentRecord {
  int32_t number = -1;
  StoredSegmentState segment;
};

int16_t UndoKindNow();

// Empties the undo list and sets kind 0.
void SetUndoNothing();

// Batch operations: empty the undo list and set the kind; then one entry per object changed.
// AppendUndoEntry reports "MySetHandleSize()" and returns -1 when the list cannot grow.
int32_t BeginUndoList(int16_t kind);
int32_t AppendUndoEntry(const UndoEntry& entry);
Handle UndoList();
int32_t UndoEntryCount();
bool GetUndoEntry(int32_t index, UndoEntry& entry);

// The single-object kinds: the record (and for 12 and 13 the segment record) and the kind.
void SetUndoObject(int16_t kind, const UndoObjectRecord& record);
void SetUndoSegment(int16_t kind, const UndoObjectRecord& record, const UndoSegmentRecord& segment);
const UndoObjectRecord& UndoObject();
const UndoSegmentRecord& UndoSegment();
// Kind 18: the combined object and the objects it replaced (already deleted).
int32_t SetUndoJoin(const UndoObjectRecord& combined, const UndoEntry* replaced, int32_t count);

// Kind 16: the object whose segment attributes are edited; empties the attribute list.
void BeginUndoAttributes(const ObjectRef& object);
// Stores a segment's state under its number, replacing an entry of the same key or appending;
// past 32001 entries nothing more is stored and no error is given. 0, or -1 after reporting
// "MySetHandleSize()".
int32_t UpdateUndoAttributeList(int16_t key, const StoredSegmentState& current);
int32_t UndoAttributeCount();
bool GetUndoAttributeEntry(int32_t index, UndoAttributeEntry& entry);

// The stored state of segment number of a polyline or polygon (the object file in slot 0).
int32_t ReadStoredSegment(int32_t mapID, int32_t overlayID, int32_t position, int32_t number,
                          StoredSegmentState& segment);

// Reverses the last step. 0, an error code, or -1 (nothing changed, message 144 shown, or
// memory short).
int32_t Undo();

// Empties the stores and sets kind 0.
void ResetUndoForTesting();

}  // namespace tlv
