// The selected objects: what the user picked on the map, named by (map ID, overlay ID, object
// position). The list is the target of edits, deletes and moves; it lives in one Handle of
// 12-byte entries that grows and shrinks by whole entries and is never absent once made.
#pragma once

#include <cstdint>
#include <functional>

#include "base/memory.h"
#include "edit/life_cycle.h"

namespace tlv {

static_assert(sizeof(ObjectRef) == 12, "a selection entry is three 32-bit values");

// What the selection asks of the drawing pass and of the search collection. The search
// collection's calls stand here until it exists; each member may be empty.
struct SelectionHooks {
  std::function<void(const ObjectRef& object)> drawTags;
  std::function<void(const ObjectRef& object)> eraseTags;
  std::function<void()> eraseAllTags;
  // The object left its place: the collection and the intersected objects drop it.
  std::function<void(const ObjectRef& object)> removeCollected;
  // The object was re-created elsewhere: the collection and the intersected objects follow it.
  std::function<void(const ObjectRef& from, const ObjectRef& to)> renameCollected;
};
void SetSelectionHooks(SelectionHooks hooks);
const SelectionHooks& CurrentSelectionHooks();

// How the selection follows the life cycle (the wiring hands these to it): an object that left
// its place leaves the selection and the collection, one that came back is selected, one that
// was re-created elsewhere is followed to its new place.
void SelectionObjectRemoved(const ObjectRef& object);
void SelectionObjectAdded(const ObjectRef& object);
void SelectionObjectMoved(const ObjectRef& from, const ObjectRef& to);

// Clicking an already selected object removes it while toggle mode is on (extending a
// selection).
void SetSelectionToggleMode(bool on);
bool SelectionToggleMode();

// The list Handle (made when first needed; null only when memory is short).
Handle SelectionList();
int32_t SelectedObjectCount();
// A copy of entry index; false when out of range.
bool GetSelectedObject(int32_t index, ObjectRef& object);

// Appends the object when it is not selected yet and its overlay is shown, drawing its tags; in
// toggle mode an already selected object is removed instead. 1, or 0 after reporting an error.
int32_t AddSelectedObject(int32_t mapID, int32_t overlayID, int32_t position);
// Removes the entry, moving later entries down; with erase its tags are erased when its map and
// overlay still exist. 0, or -1 on memory failure.
int32_t RemoveSelectedObject(int32_t mapID, int32_t overlayID, int32_t position, bool erase);
// Erases all tags and empties the list.
void RemoveAllSelectedObjects();
// Drops the entries with any field -1.
void RemoveInvalidSelectedObjects();

// visit(map, overlay, position) for each entry in order until it returns non-zero (which is
// returned). With copy set the walk runs over a copy, so visit may change the selection.
using SelectedObjectVisit =
    std::function<int32_t(int32_t mapID, int32_t overlayID, int32_t position)>;
int32_t ForEachSelectedObject(const SelectedObjectVisit& visit, bool copy);

// Whether an entry matches; -1 in any argument matches every value.
bool IsSelected(int32_t mapID, int32_t overlayID, int32_t position);

// Replaces one entry in place after the object moved to another file or position.
void RenameSelectedObject(const ObjectRef& from, const ObjectRef& to);

// Releases the list and forgets the hooks and toggle mode.
void ResetSelectionForTesting();

}  // namespace tlv
