#include "edit/selection.h"

#include <utility>

#include "base/errors.h"
#include "catalogue/display_settings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"

namespace tlv {

namespace {

struct SelectionState {
  Handle list = nullptr;
  SelectionHooks hooks;
  bool toggleMode = false;
};

SelectionState state;

HandleArray<ObjectRef> Entries() {
  if (state.list == nullptr) state.list = MyNewHandle(0);
  return HandleArray<ObjectRef>(state.list);
}

bool Matches(const ObjectRef& entry, int32_t mapID, int32_t overlayID, int32_t position) {
  return (mapID == -1 || entry.mapID == mapID) &&
         (overlayID == -1 || entry.overlayID == overlayID) &&
         (position == -1 || entry.position == position);
}

int32_t IndexOf(int32_t mapID, int32_t overlayID, int32_t position) {
  const HandleArray<ObjectRef> entries = Entries();
  for (int32_t i = 0; i < entries.Count(); ++i) {
    if (Matches(entries.Get(i), mapID, overlayID, position)) return i;
  }
  return -1;
}

bool Invalid(const ObjectRef& entry) {
  return entry.mapID == -1 || entry.overlayID == -1 || entry.position == -1;
}

}  // namespace

void SetSelectionHooks(SelectionHooks hooks) {
  state.hooks = std::move(hooks);
}

const SelectionHooks& CurrentSelectionHooks() {
  return state.hooks;
}

void SelectionObjectRemoved(const ObjectRef& object) {
  RemoveSelectedObject(object.mapID, object.overlayID, object.position, true);
  if (state.hooks.removeCollected) state.hooks.removeCollected(object);
}

void SelectionObjectAdded(const ObjectRef& object) {
  AddSelectedObject(object.mapID, object.overlayID, object.position);
}

void SelectionObjectMoved(const ObjectRef& from, const ObjectRef& to) {
  RenameSelectedObject(from, to);
  if (state.hooks.renameCollected) state.hooks.renameCollected(from, to);
}

void SetSelectionToggleMode(bool on) {
  state.toggleMode = on;
}
bool SelectionToggleMode() {
  return state.toggleMode;
}

Handle SelectionList() {
  Entries();
  return state.list;
}

int32_t SelectedObjectCount() {
  return Entries().Count();
}

bool GetSelectedObject(int32_t index, ObjectRef& object) {
  const HandleArray<ObjectRef> entries = Entries();
  if (index < 0 || index >= entries.Count()) return false;
  object = entries.Get(index);
  return true;
}

int32_t AddSelectedObject(int32_t mapID, int32_t overlayID, int32_t position) {
  constexpr const char* kCaller = "AddSelectedObject()";
  HandleArray<ObjectRef> entries = Entries();
  if (!entries.valid()) {
    ReportError(kCaller, "MyNewHandle()", kErrMemoryFull);
    return 0;
  }
  if (IndexOf(mapID, overlayID, position) >= 0) {
    if (state.toggleMode) RemoveSelectedObject(mapID, overlayID, position, true);
    return 1;
  }
  const int32_t layerIndex = LayerIDToIndex(overlayID);
  if (layerIndex < 0) {
    ReportError(kCaller, "LayerIDToIndex()", kErrGeneral);
    return 0;
  }
  // Objects of hidden overlays cannot be seen, so they are not picked.
  if (!IsLayerShown(layerIndex)) return 1;
  const ObjectRef object{mapID, overlayID, position};
  if (entries.Append(object) != 0) {
    ReportError(kCaller, "MySetHandleSize()", kErrMemoryFull);
    return 0;
  }
  if (state.hooks.drawTags) state.hooks.drawTags(object);
  return 1;
}

int32_t RemoveSelectedObject(int32_t mapID, int32_t overlayID, int32_t position, bool erase) {
  const int32_t index = IndexOf(mapID, overlayID, position);
  if (index < 0) return 0;
  HandleArray<ObjectRef> entries = Entries();
  const ObjectRef object = entries.Get(index);
  entries.Remove(index);
  if (MyMemError() != 0) {
    ReportError("RemoveSelectedObject()", "MySetHandleSize()", kErrMemoryFull);
    return -1;
  }
  if (erase && state.hooks.eraseTags && MapIDToIndex(object.mapID) >= 0 &&
      LayerIDToIndex(object.overlayID) >= 0) {
    state.hooks.eraseTags(object);
  }
  return 0;
}

void RemoveAllSelectedObjects() {
  if (state.hooks.eraseAllTags && SelectedObjectCount() > 0) state.hooks.eraseAllTags();
  Entries().Resize(0);
}

void RemoveInvalidSelectedObjects() {
  HandleArray<ObjectRef> entries = Entries();
  int32_t kept = 0;
  for (int32_t i = 0; i < entries.Count(); ++i) {
    const ObjectRef entry = entries.Get(i);
    if (!Invalid(entry)) entries.Set(kept++, entry);
  }
  entries.Resize(kept);
}

int32_t ForEachSelectedObject(const SelectedObjectVisit& visit, bool copy) {
  Handle list = SelectionList();
  ScopedHandle duplicate;
  if (copy && list != nullptr) {
    Handle walked = list;
    if (MyHandToHand(&walked) != 0) {
      ReportError("ForEachSelectedObject()", "MyHandToHand()", kErrMemoryFull);
      return kErrMemoryFull;
    }
    duplicate.reset(walked);
    list = walked;
  }
  // Without a copy the list is read afresh each step, so an entry the visit removes is not
  // visited twice and none is read after the Handle moved.
  for (int32_t i = 0;; ++i) {
    const HandleArray<ObjectRef> entries(list);
    if (i >= entries.Count()) break;
    const ObjectRef entry = entries.Get(i);
    const int32_t result = visit(entry.mapID, entry.overlayID, entry.position);
    if (result != 0) return result;
  }
  return 0;
}

bool IsSelected(int32_t mapID, int32_t overlayID, int32_t position) {
  return IndexOf(mapID, overlayID, position) >= 0;
}

void RenameSelectedObject(const ObjectRef& from, const ObjectRef& to) {
  HandleArray<ObjectRef> entries = Entries();
  for (int32_t i = 0; i < entries.Count(); ++i) {
    const ObjectRef entry = entries.Get(i);
    if (entry.mapID == from.mapID && entry.overlayID == from.overlayID &&
        entry.position == from.position) {
      entries.Set(i, to);
      return;
    }
  }
}

void ResetSelectionForTesting() {
  if (state.list != nullptr) MyDisposeHandle(state.list);
  state = SelectionState();
}

}  // namespace tlv
