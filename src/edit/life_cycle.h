// How objects come into being, change, are copied between overlays and maps, and go away at
// record level. Records are never removed here: deletion complements the summary record's
// position and compaction reclaims the space later. An overlay file's object count always
// equals its live summary records, aliases included.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/memory.h"
#include "base/object_ids.h"
#include "base/world_types.h"
#include "store/object_record.h"

namespace tlv {

// What the life cycle asks of the drawing pass and of the selection lists; those install it.
// Each member may be empty.
struct LifeCycleHooks {
  // An area of the map to be drawn again.
  std::function<void(const WRect& area)> redrawArea;
  // The object left its place: remove it from the selection, the search collection and the
  // list of intersected objects.
  std::function<void(const ObjectRef& object)> removeFromSelections;
  // The object came back: add it to the selection.
  std::function<void(const ObjectRef& object)> addToSelection;
  // The object was re-created elsewhere (a bigger record, another map): the selection and the
  // search collection follow it to its new place.
  std::function<void(const ObjectRef& from, const ObjectRef& to)> objectMoved;
  // An alias was copied to another overlay file (its old record is deleted next): the search
  // collection follows it from its old place to the copy.
  std::function<void(const ObjectRef& from, const ObjectRef& copy)> aliasCopied;
  // The rectangle of a text object from its text and graphics (the drawing pass computes it
  // with its font metrics); without it a text object keeps the rectangle it is given.
  std::function<bool(const std::string& text, const ObjectGraphics& graphics, const WRect& given,
                     WRect& computed)>
      textRect;
};
void SetLifeCycleHooks(LifeCycleHooks hooks);
const LifeCycleHooks& CurrentLifeCycleHooks();

// A fresh ID: high = seconds since 1904 (the program's own offset), low = run number * 65536 +
// a per-run counter.
int32_t NewObjectID(ObjectID& id);

// Appends an empty record of the right size and its live summary record; creates the overlay's
// file set on the map when it has none.
int32_t CreateEmptyObject(int32_t mapID, int32_t overlayID, int16_t type, ObjectID id,
                          int32_t nameRoom, int32_t textRoom, int32_t segmentCount,
                          int32_t segmentBytes, int32_t& position);

// The parts of an object that a call gives; absent parts are left as they are.
struct ObjectContents {
  std::optional<std::string> prefix;  // prefix and name are given together
  std::optional<std::string> name;
  std::optional<ObjectGraphics> graphics;
  std::optional<uint32_t> customColour;  // the RGB value, with the present and active bits
  std::optional<WRect> rect;
  std::optional<std::string> textOrPicture;
  Handle points = nullptr;  // WPoints, bit 31 of x starting a new piece; the caller keeps it
};

// Makes a complete object in one step, with no spare room in its record.
int32_t CreateObject(int32_t mapID, int32_t overlayID, int16_t type, ObjectID id,
                     const ObjectContents& contents, int32_t& position);

// One record copied elsewhere: where it was (now deleted) and where its copy is.
struct RecordMove {
  ObjectRef from;
  ObjectRef to;
};

// Changes an object, re-creating its record (same ID) at the end of the file or on targetMapID
// when the new contents do not fit; object is updated to the object's new place. The aliases that
// went along to another map are listed in aliasesMoved when it is given.
int32_t ReplaceObjectContents(ObjectRef& object, int32_t targetMapID, const ObjectID* newID,
                              const ObjectContents& contents, int32_t dx, int32_t dy,
                              std::vector<RecordMove>* aliasesMoved = nullptr);

// Copies an object field by field into another overlay file (same ID), with its picture file
// and, when asked, its live aliases (moved: the copies made, the old records deleted; listed in
// aliasesMoved when it is given). A copy that fails part way is taken back whole: nothing new
// stays live and the aliases are where they were.
int32_t FSCopyObject(const ObjectRef& source, int32_t targetMapID, int32_t targetOverlayID,
                     int32_t nameRoom, int32_t textRoom, int32_t segmentCount, int32_t segmentBytes,
                     int32_t& newPosition, bool withAliases,
                     std::vector<RecordMove>* aliasesMoved = nullptr);

// Takes back what FSCopyObject did, for a step that fails after it: the copy is deleted and the
// aliases it moved come back to their old records. Failures are reported and passed over.
void TakeBackCopy(const ObjectRef& copy, const std::vector<RecordMove>& aliasesMoved);

// Makes the picture file name free in the folder (base + 1 .. 999). -1 when it cannot.
int32_t GetUniquePictObjectFileName(int16_t volume, int32_t folderID, std::string& name);

// Moves (by dx, dy) or resizes (newRect) an object, with its summary record, the index and the
// overlay bounds.
int32_t ChangeObjectWRect(int32_t mapID, int32_t overlayID, int32_t position, const WRect* newRect,
                          int32_t dx, int32_t dy);

// Rewrites the given parts of an object in its record.
int32_t UpdateObject(int32_t mapID, int32_t overlayID, int32_t position,
                     const ObjectContents& contents, int32_t dx, int32_t dy);

// What DeleteObjectRecord did.
struct DeletedRecords {
  bool deleted = false;          // the record went from live to deleted
  std::vector<int32_t> aliases;  // the live aliases deleted with it
  bool wrote = false;            // something was written (a failure then left a change behind)
};

// Marks a live object deleted (a deleted one, or one on a locked map, is left as it is). With
// withAliases its live aliases go with it and an alias deleted before stays deleted. Each record
// leaves the object count unless keepCounts. Shows the progress of a run of calls and stops on
// Escape (-1, nothing changed; LookupStoppedByUser tells). The object and its aliases are read
// before anything is written, so a record that cannot be read changes nothing.
int32_t DeleteObjectRecord(int32_t mapID, int32_t overlayID, int32_t position, bool withAliases,
                           bool keepCounts, bool redraw, DeletedRecords* done = nullptr);
// Brings a deleted object back with exactly the aliases its deletion took along (aliases, as
// DeleteObjectRecord listed them); the object is selected, the aliases are not. A live object is
// deleted instead, with those aliases.
int32_t UndeleteObjectRecord(int32_t mapID, int32_t overlayID, int32_t position,
                             const std::vector<int32_t>& aliases = {});
// Whether the last lookup that showed progress ended because the user pressed Escape.
bool LookupStoppedByUser();
// Brings one deleted record back, without its aliases and without a progress step (so Escape
// cannot stop it), for putting back what a step that failed half way took away. A live record is
// left as it is.
int32_t RestoreObjectRecord(const ObjectRef& object, bool select);

// visit(alias position, its summary record); position -1 visits every alias of the file.
using AliasVisit =
    std::function<int32_t(int32_t aliasPosition, const SummaryRecord& record, int32_t byteOffset)>;
int32_t ForEachAliasOf(int32_t mapID, int32_t overlayID, int32_t position, const AliasVisit& visit,
                       bool includeDeleted);

// Deletes the live objects of the overlay (on every map for mapID -1) whose ID text is one of
// the lines of idList (lines end with CR, optionally followed by LF), with their aliases; a
// record the list names that already went with its object is passed over. It cannot be undone:
// when it deletes anything, Undo is cleared.
int32_t DeleteObjectsOnLayer(int32_t mapID, int32_t overlayID, const char* idList);

// The first live object with the ID (text form, cut at a blank, left-padded with "0"), on one
// map or all (mapID 0), in one overlay or all (overlayID 0).
int32_t FindObjectByID(std::string_view idText, int32_t mapID, int32_t overlayID, ObjectRef& object,
                       bool& found);

// Recomputes an overlay file's bounds from its live objects and writes its file image.
int32_t RecomputeOverlayFileBounds(int32_t mapIndex, int32_t fileIndex);

// A batch of many new objects (import, bench): the overlay file images are written once when
// the batch ends instead of after every object. The files end the same.
void BeginObjectBatch();
int32_t EndObjectBatch();

void ResetLifeCycleForTesting();

}  // namespace tlv
