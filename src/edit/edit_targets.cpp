#include "edit/edit_targets.h"

#include <vector>

#include "base/errors.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/display_settings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/walks.h"
#include "edit/life_cycle.h"

namespace tlv {

namespace {

constexpr int kMessageNoEditableMap = 152;
constexpr int kMessageOwnerNotRunning = 594;
constexpr int kMessageMapLockedPlural = 596;
constexpr int kMessageMapLockedSingular = 597;
constexpr int kMessageOwnerForbidsPlural = 611;
constexpr int kMessageOwnerForbidsSingular = 612;
constexpr int kMessageIndexedMapPlural = 643;
constexpr int kMessageIndexedMapSingular = 644;

constexpr int32_t kNoMapID = -1;
constexpr int16_t kPolicyRefused = 1;
constexpr int16_t kPolicyAllowed = 2;

struct EditTargetState {
  int32_t mapID = kNoMapID;
  int32_t overlayID = kNoMapID;
  bool (*ownerRunning)(std::string_view owner) = nullptr;
  WRect (*viewRect)() = nullptr;
};

EditTargetState state;

// Without a view no extent holds it.
bool ExtentHoldsView(const MapRecord& map, const WRect* view) {
  return view != nullptr && WRectInside(*view, map.extent);
}

bool Editable(const MapRecord& map) {
  return map.inUse != 0 && map.locked == 0;
}

// The first map in list order that passes the test, or -1.
template <typename Test>
int32_t FirstMap(Test test) {
  MapRecord map;
  for (int32_t i = 0; GetMapRecord(i, map); ++i) {
    if (test(map)) return i;
  }
  return -1;
}

void RefuseDelete(int pluralMessage, int singularMessage, int32_t objectCount) {
  ShowAlert(MessageText(objectCount == 1 ? singularMessage : pluralMessage), kStopAlert);
}

// The live records of an overlay file, collected before any is deleted so that the deletions
// cannot disturb the walk.
int32_t LiveObjectPositions(int32_t mapID, int32_t overlayID, std::vector<int32_t>& positions) {
  positions.clear();
  const int32_t mapIndex = MapIDToIndex(mapID);
  if (mapIndex < 0 || OverlayFileIndexForID(mapIndex, overlayID) < 0) return 0;
  int32_t resolvedMap = -1;
  int32_t resolvedFile = -1;
  return ForEachSummaryRecord(
      mapID, overlayID,
      [&positions](const SummaryRecord& record, int32_t) {
        if (SummaryRecordLive(record)) positions.push_back(record.position);
        return 0;
      },
      &resolvedMap, &resolvedFile);
}

// The User's Map when it is loaded and may be changed.
bool ChangeableUserMap(int32_t& mapID) {
  mapID = UserMapID();
  MapRecord map;
  return mapID != 0 && GetMapRecord(MapIDToIndex(mapID), map) && map.locked == 0;
}

}  // namespace

int32_t TemporaryLayerIndex() {
  return LayerNameToIndex(TemporaryLayerName());
}

int32_t ChooseEditMap() {
  WRect viewRect;
  const WRect* view = nullptr;
  if (state.viewRect != nullptr) {
    viewRect = state.viewRect();
    view = &viewRect;
  }
  const int32_t remembered = state.mapID == kNoMapID ? UserMapID() : state.mapID;
  const int32_t rememberedIndex = remembered == 0 ? -1 : MapIDToIndex(remembered);
  MapRecord map;
  // A locked map never takes objects, not even the User's Map or the remembered one.
  if (GetMapRecord(rememberedIndex, map) && Editable(map)) {
    if (map.mapID < 0 || ExtentHoldsView(map, view)) return rememberedIndex;
  }
  int32_t index =
      FirstMap([view](const MapRecord& m) { return Editable(m) && ExtentHoldsView(m, view); });
  if (index >= 0) return index;
  if (GetMapRecord(rememberedIndex, map) && Editable(map)) return rememberedIndex;
  index = FirstMap(Editable);
  if (index >= 0) return index;
  ShowAlert(MessageText(kMessageNoEditableMap), kStopAlert);
  return -1;
}

void SetEditTarget(int32_t mapID, int32_t overlayID) {
  state.mapID = mapID;
  state.overlayID = overlayID;
}

void NoteObjectAddedOrChanged(int32_t mapID, int32_t overlayID) {
  SetEditTarget(mapID, overlayID);
  const int32_t index = MapIDToIndex(mapID);
  if (index >= 0) ComputeMapExtent(index);
}

int32_t EditTargetMapID() {
  return state.mapID;
}
int32_t EditTargetOverlayID() {
  return state.overlayID;
}

bool OwnerCodeIsApplication(std::string_view owner) {
  if (owner.size() != 4) return false;
  for (char c : owner) {
    if (c < '0' || c > '9') return true;
  }
  return false;
}

bool MapOwnedByApplication(const MapRecord& map) {
  return OwnerCodeIsApplication(FieldText(map.owner));
}

MapDeleteCheck MayDeleteOnMap(int32_t mapIndex, int32_t objectCount) {
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) return MapDeleteCheck::kRefused;
  if (map.indexed != 0) {
    RefuseDelete(kMessageIndexedMapPlural, kMessageIndexedMapSingular, objectCount);
    return MapDeleteCheck::kRefused;
  }
  if (map.locked != 0) {
    RefuseDelete(kMessageMapLockedPlural, kMessageMapLockedSingular, objectCount);
    return MapDeleteCheck::kRefused;
  }
  if (!MapOwnedByApplication(map)) return MapDeleteCheck::kAllowed;
  switch (map.policies[0]) {
    case kPolicyRefused:
      RefuseDelete(kMessageOwnerForbidsPlural, kMessageOwnerForbidsSingular, objectCount);
      return MapDeleteCheck::kRefused;
    case kPolicyAllowed:
      return MapDeleteCheck::kAllowed;
    default:
      // Every other policy leaves the decision to the owner, which must be running to take it.
      if (state.ownerRunning != nullptr && state.ownerRunning(FieldText(map.owner))) {
        return MapDeleteCheck::kAskOwner;
      }
      ShowAlert(MessageText(kMessageOwnerNotRunning), kStopAlert);
      return MapDeleteCheck::kRefused;
  }
}

void SetOwnerRunningTest(bool (*ownerRunning)(std::string_view owner)) {
  state.ownerRunning = ownerRunning;
}

void SetEditViewSource(WRect (*viewRect)()) {
  state.viewRect = viewRect;
}

int32_t CountTemporaryObjectsOnUserMap(int32_t& count) {
  count = 0;
  int32_t userMapID = 0;
  LayerRecord temporary;
  // Objects that cannot be deleted are not worth a question at quit.
  if (!ChangeableUserMap(userMapID) || !GetLayerRecord(TemporaryLayerIndex(), temporary)) {
    return 0;
  }
  std::vector<int32_t> positions;
  const int32_t err = LiveObjectPositions(userMapID, temporary.layerID, positions);
  if (err == 0) count = static_cast<int32_t>(positions.size());
  return err;
}

int32_t DeleteLayerObjectsOnUserMap(int32_t overlayID) {
  int32_t userMapID = 0;
  if (!ChangeableUserMap(userMapID)) return 0;
  std::vector<int32_t> positions;
  int32_t err = LiveObjectPositions(userMapID, overlayID, positions);
  // Aliases live in the same overlay file and are deleted in their own turn, so each record is
  // deleted on its own and counted once.
  for (size_t i = 0; err == 0 && i < positions.size(); ++i) {
    err = DeleteObjectRecord(userMapID, overlayID, positions[i], false, false, false);
  }
  return err;
}

int32_t DeleteTemporaryObjectsOnUserMap() {
  LayerRecord temporary;
  if (!GetLayerRecord(TemporaryLayerIndex(), temporary)) return 0;
  return DeleteLayerObjectsOnUserMap(temporary.layerID);
}

int32_t DeleteObjectsAtQuit() {
  const int32_t temporary = TemporaryLayerIndex();
  int32_t firstError = 0;
  LayerRecord layer;
  for (int32_t i = 0; GetLayerRecord(i, layer); ++i) {
    if (i == temporary || layer.deleteAtQuit == 0) continue;
    const int32_t err = DeleteLayerObjectsOnUserMap(layer.layerID);
    if (err != 0 && firstError == 0) firstError = err;
  }
  return firstError;
}

void UnlockTemporaryLayer() {
  const int32_t index = TemporaryLayerIndex();
  if (index >= 0) SetLayerLocked(index, false);
  AnyLayerUnlocked();
}

void ResetEditTargetsForTesting() {
  state = EditTargetState();
}

}  // namespace tlv
