#include "edit/layer_unlock.h"

#include "base/errors.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/display_settings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "edit/edit_targets.h"

namespace tlv {

namespace {

constexpr int kDragPolicy = 3;
constexpr int kAddPolicy = 4;
constexpr int16_t kPolicyRefused = 1;

}  // namespace

int32_t CheckUnlockLayer(int32_t index, UnlockReport& report) {
  report = UnlockReport();
  LayerRecord layer;
  if (!GetLayerRecord(index, layer)) return kErrGeneral;
  report.layerName = FieldText(layer.name);
  report.locked = (layer.lockState & kLockedBit) != 0;
  report.ownedByApplication = (layer.lockState & kOwnedBit) != 0;
  report.deleteAllowed = !(report.ownedByApplication && (layer.flags & kNoDeleteFlag) != 0);
  for (int32_t m = 0; m < MapCount(); ++m) {
    MapRecord map;
    if (!GetMapRecord(m, map) || map.mapID == 0) continue;
    const int32_t f = OverlayFileIndexForID(m, layer.layerID);
    if (f < 0) continue;
    OverlayFileRecord file;
    GetOverlayFileRecord(m, f, file);
    UnlockMapNote note;
    note.mapName = FieldText(map.name);
    note.objectCount = file.objectCount;
    note.inUse = map.inUse != 0;
    note.locked = map.locked != 0;
    note.indexed = map.indexed != 0;
    if (MapOwnedByApplication(map)) {
      note.owner = FieldText(map.owner);
      note.addPolicy = map.policies[kAddPolicy];
      note.dragPolicy = map.policies[kDragPolicy];
    }
    // An owner that refuses both new objects and dragging leaves nothing to edit there.
    const bool ownerRefuses = !note.owner.empty() && note.addPolicy == kPolicyRefused &&
                              note.dragPolicy == kPolicyRefused;
    note.editable = !note.locked && !note.indexed && !ownerRefuses;
    if (note.editable) ++report.editableMaps;
    report.maps.push_back(note);
  }
  return 0;
}

int32_t UnlockLayer(int32_t index) {
  return SetLayerLocked(index, false);
}

int32_t LockLayer(int32_t index) {
  return SetLayerLocked(index, true);
}

}  // namespace tlv
