#include "edit/object_settings.h"

#include "base/errors.h"
#include "base/strings.h"
#include "catalogue/display_settings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "edit/edit_targets.h"
#include "edit/life_cycle.h"
#include "edit/modify.h"
#include "edit/object_access.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "store/store_records.h"

namespace tlv {

namespace {

constexpr int32_t kRefusedOther = 2;
constexpr int kMessageNameTooLong = 39;
constexpr int kMessageTextTooLong = 40;

// The singular "could not be changed" message of each refusal.
int RefusalMessage(int32_t code) {
  switch (code) {
    case kRefusedOverlayLocked:
      return 581;
    case kRefusedMapLocked:
      return 583;
    case kRefusedThematicOrOwner:
      return 584;
    case kRefusedNewerVersion:
      return 585;
    case kRefusedIndexedMap:
      return 647;
    default:
      return 586;
  }
}

}  // namespace

int32_t ReadObjectSettings(const ObjectRef& object, ObjectSettings& settings) {
  settings = ObjectSettings();
  int32_t err = UseObjectFile(object.mapID, object.overlayID);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  err = FSGetObjectType(file, object.position, settings.type);
  if (err == 0) err = FSGetObjectID(file, object.position, settings.id.high, settings.id.low);
  if (err == 0) err = FSGetObjectName(file, object.position, settings.prefix, settings.name);
  if (err == 0 && settings.type != kAliasObject) {
    err = FSGetObjectGraphics(file, object.position, settings.graphics);
  }
  if (err == 0) err = FSGetObjectNolongerStateCounty(file, object.position, settings.customColour);
  if (err == 0) err = FSGetObjectWorldRect(file, object.position, settings.rect);
  if (err == 0 && settings.type == kTextObject) {
    err = FSGetObjectText(file, object.position, settings.text);
  }
  if (err == 0 && settings.type == kPictureObject) {
    err = FSGetObjectPICTFile(file, object.position, settings.text);
  }
  return err;
}

int32_t ObjectSettingsRefusal(const ObjectRef& object) {
  MapRecord map;
  LayerRecord layer;
  if (!GetMapRecord(MapIDToIndex(object.mapID), map) ||
      !GetLayerRecord(LayerIDToIndex(object.overlayID), layer)) {
    return kRefusedOther;
  }
  // An application's lock (kind 2) still lets the user restyle its objects.
  if (layer.lockState != 0 && layer.lockState != kOwnedBit) return kRefusedOverlayLocked;
  if (map.indexed != 0) return kRefusedIndexedMap;
  if (map.locked != 0) return kRefusedMapLocked;
  const ModifyHooks& hooks = CurrentModifyHooks();
  if (hooks.thematicMode && hooks.thematicMode(object.mapID, object.overlayID)) {
    return kRefusedThematicOrOwner;
  }
  if (UseObjectFile(object.mapID, object.overlayID) != 0) return kRefusedOther;
  int32_t versionFlags = 0;
  if (FSGetObjectVersionFlags(CurrentObjectFile(), object.position, versionFlags) != 0) {
    return kRefusedOther;
  }
  if ((versionFlags & kVersionModifiable) == 0) return kRefusedNewerVersion;
  return 0;
}

int32_t ApplyObjectSettings(ObjectRef& object, const ObjectSettings& wanted, int32_t dx,
                            int32_t dy) {
  const int32_t refusal = ObjectSettingsRefusal(object);
  if (refusal != 0) {
    ShowAlert(MessageText(RefusalMessage(refusal)), kStopAlert);
    return kErrGeneral;
  }
  if (wanted.prefix.size() > static_cast<size_t>(kMaxNamePartLength) ||
      wanted.name.size() > static_cast<size_t>(kMaxNamePartLength)) {
    ShowAlert(MessageText(kMessageNameTooLong), kStopAlert);
    return kErrGeneral;
  }
  ObjectSettings old;
  int32_t err = ReadObjectSettings(object, old);
  if (err != 0) return err;
  if ((old.type == kTextObject && wanted.text.size() > static_cast<size_t>(kMaxTextReadLength)) ||
      (old.type == kPictureObject && wanted.text.size() > static_cast<size_t>(kPictFileNameSize))) {
    ShowAlert(MessageText(kMessageTextTooLong), kStopAlert);
    return kErrGeneral;
  }

  ObjectContents contents;
  contents.prefix = wanted.prefix;
  contents.name = wanted.name;
  if (old.type != kAliasObject) contents.graphics = wanted.graphics;
  contents.customColour = wanted.customColour;
  if (old.type == kTextObject || old.type == kPictureObject) contents.textOrPicture = wanted.text;
  // Objects placed by their rectangle get it back on Undo; the others are moved back.
  const bool placedByRect =
      old.type == kRectangleObject || old.type == kTextObject || old.type == kPictureObject;
  int32_t moveX = dx, moveY = dy;
  if (placedByRect && (dx != 0 || dy != 0)) {
    contents.rect = WRect{old.rect.x1 + dx, old.rect.y1 + dy, old.rect.x2 + dx, old.rect.y2 + dy};
    moveX = moveY = 0;
  }

  UndoObjectRecord undo;
  undo.before = object;
  undo.type = old.type;
  undo.oldRect = old.rect;
  undo.dx = moveX;
  undo.dy = moveY;
  undo.prefix = old.prefix;
  undo.name = old.name;
  undo.graphics = old.graphics;
  undo.text = old.text;
  undo.customColour = old.customColour;

  ObjectRef changed = object;
  err = ReplaceObjectContents(changed, object.mapID, nullptr, contents, moveX, moveY,
                              &undo.aliasesMoved);
  if (err != 0) {
    // A step that failed part way leaves nothing Undo could trust.
    if (changed.position != object.position) SetUndoNothing();
    ReportError("ApplyObjectSettings()", "ReplaceObjectContents()", err);
    return err;
  }
  undo.object = changed;
  SetUndoObject(kUndoDialogEdit, undo);
  object = changed;
  NoteObjectAddedOrChanged(object.mapID, object.overlayID);
  LayerRecord layer;
  const int32_t layerIndex = LayerIDToIndex(object.overlayID);
  if (GetLayerRecord(layerIndex, layer) && layer.graphicsOverride == 1) {
    NoteGraphicsOverride(layerIndex);
  }
  if (!IsSelected(object.mapID, object.overlayID, object.position)) {
    AddSelectedObject(object.mapID, object.overlayID, object.position);
  }
  return 0;
}

}  // namespace tlv
