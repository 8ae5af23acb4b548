#include "iac/delete_selected.h"

#include <cstring>
#include <string>

#include "base/errors.h"
#include "base/strings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "edit/edit_targets.h"
#include "edit/modify.h"
#include "edit/selection.h"
#include "iac/friends.h"
#include "iac/iac.h"
#include "iac/object_messages.h"

namespace tlv {

namespace {

constexpr int32_t kOverlayLockedBit = 1;

// The friend that speaks for the owner code; -1 when none does or it does not run.
int32_t RunningOwner(std::string_view owner) {
  const std::string code(owner);
  const int32_t index = FindFriendByPSIG(code.c_str());
  FriendRecord record{};
  if (index < 0 || !GetFriend(index, record)) return -1;
  return IsAppRunning(record.applicationSignature) != 0 ? index : -1;
}

}  // namespace

bool OwnerApplicationRunning(std::string_view owner) {
  return RunningOwner(owner) >= 0;
}

int32_t DeleteSelectedObjects() {
  const int32_t count = SelectedObjectCount();
  if (count == 0) return 0;
  ObjectRef first;
  GetSelectedObject(0, first);
  bool lockedOverlay = false;
  for (int32_t i = 0; i < count; ++i) {
    ObjectRef object;
    if (!GetSelectedObject(i, object)) continue;
    if (object.mapID != first.mapID) {
      ShowAlert(GetIndString(25500, 93), kStopAlert);
      return -1;
    }
    LayerRecord layer;
    if (GetLayerRecord(LayerIDToIndex(object.overlayID), layer) &&
        (layer.lockState & kOverlayLockedBit) != 0) {
      lockedOverlay = true;
    }
  }
  const int32_t mapIndex = MapIDToIndex(first.mapID);
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) return -1;
  // An application's overlays that are locked keep their objects whatever the map's policy.
  if (MapOwnedByApplication(map) && map.indexed == 0 && map.locked == 0 && lockedOverlay) {
    ShowAlert(GetIndString(25500, count == 1 ? 89 : 87), kStopAlert);
    return -1;
  }
  switch (MayDeleteOnMap(mapIndex, count)) {
    case MapDeleteCheck::kRefused:
      return -1;
    case MapDeleteCheck::kAllowed:
      return DeleteSelectedObjects2();
    case MapDeleteCheck::kAskOwner:
      break;
  }
  const std::string owner(map.owner, strnlen(map.owner, sizeof(map.owner)));
  const int32_t index = RunningOwner(owner);
  FriendRecord record{};
  if (index < 0 || !GetFriend(index, record)) {
    ShowAlert(GetIndString(25500, 94), kStopAlert);
    return -1;
  }
  std::string lines;
  for (int32_t i = 0; i < count; ++i) {
    ObjectRef object;
    if (GetSelectedObject(i, object)) AppendAnswerLine(object, AnswerColumns(), lines);
  }
  const IACParam request[] = {
      {"ACTN", kIACTextKind, "DELETE", 0},
      {"LSTA", kIACTextKind, lines.c_str(), 0},
      {"LSTB", kIACTextKind, "", 0},
      {"", 0, nullptr, 0},
  };
  return SendIACMessage("MAPA", request, record.applicationSignature, true, kOwnSignature,
                        kOwnProgramSignature);
}

}  // namespace tlv
