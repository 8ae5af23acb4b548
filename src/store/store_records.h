// The records of the map list and of each map's overlay-file list. They live in Handles, so
// they are plain bytes: fixed-width NUL-terminated text, no owning members besides Handles
// that the list code releases.
#pragma once

#include <cstdint>
#include <type_traits>

#include "base/memory.h"
#include "base/world_types.h"

namespace tlv {

constexpr int32_t kMapNameSize = 42;   // at most 41 characters and the NUL
constexpr int32_t kOwnerCodeSize = 6;  // at most 5 characters and the NUL
constexpr int32_t kOverlayFileBaseNameSize = 32;
constexpr int32_t kLayerNameSize = 32;  // at most 31 characters and the NUL
constexpr int32_t kGroupNameSize = 32;
constexpr int32_t kDefaultGraphicsCount = 8;
constexpr uint8_t kLayerRecordMarker = 100;

// Display modes of an overlay.
enum LayerDisplayMode : uint8_t {
  kDisplayHide = 0,
  kDisplayRange = 1,
  kDisplayShow = 2,
  kDisplayShowNames = 3,
};

// Lock state bits of an overlay.
constexpr int32_t kLockedBit = 1;
constexpr int32_t kOwnedBit = 2;
// Flag bits of an overlay.
constexpr int32_t kNoDeleteFlag = 1;
constexpr int32_t kNotInLegendFlag = 2;

// One overlay file of one map: the files base name + ".LYR", ".OBJ", ".SUM" (and ".SM2") in
// the map's folder.
struct OverlayFileRecord {
  WRect bounds;  // of the overlay's objects on this map
  int32_t mapID = 0;
  int32_t overlayID = 0;
  int16_t volume = 0;
  int32_t dirID = -1;  // the map folder
  char baseName[kOverlayFileBaseNameSize] = {};
  int32_t objectCount = 0;
  int32_t working[3] = {0, 0, 0};
  int32_t workingMinusOne = -1;
  WRect drawnArea;
  int32_t lastWorking = 0;
  // The spatial index entries in machine order once a walk has loaded them; null otherwise.
  Handle sm2Cache = nullptr;
};

struct MapRecord {
  char name[kMapNameSize] = {};
  int32_t mapID = 0;
  char owner[kOwnerCodeSize] = {'0', '0', '0', '0', '0', 0};
  int32_t inUse = 1;
  int32_t searchMark = 0;
  int32_t reserved = 0;
  char universalMark = 0;  // 'Y', 'N' or 0
  int16_t newEntry = 0;
  int16_t volume = 0;
  int32_t dirID = -1;
  int32_t overlayFileCount = 0;
  Handle overlayFiles = nullptr;  // OverlayFileRecord entries, sorted by base name
  int32_t locked = 0;
  int32_t indexed = 0;
  WRect extent;
  // Delete objects, move to another map, move to another overlay, drag, add:
  // 0 not owned, 1 refused, 2 allowed, 3 ask the owner.
  int16_t policies[5] = {0, 0, 0, 0, 0};
};

// One overlay of the overlay list; the list order is the drawing and listing order.
struct LayerRecord {
  char name[kLayerNameSize] = {};
  int32_t layerID = 0;
  uint8_t marker = kLayerRecordMarker;
  uint8_t displayMode = kDisplayShow;
  // Most zoomed-in and most zoomed-out scale of the range, names scale, dots scale.
  int32_t scales[4] = {500, 262144000, 64000, 512000};
  int32_t flags = 0;
  int32_t lockState = 0;
  int32_t deleteAtQuit = 0;
  int16_t graphics[kDefaultGraphicsCount] = {212, 1, 1, 1, 2, 3, 0, 1};
  int16_t graphicsOverride = 0;
  int32_t reserved = 0;
  int32_t searchMark = 0;
  int32_t reservedValue = 0;  // stored in the list file, cleared on loading
  int16_t listMark = 0;
  int16_t groupTag = 0;  // only while groups are rebuilt
  uint8_t thematic[3] = {0, 0, 0};
};

// A named run of overlays in the list: from first to last in list order; both empty for a
// group without members.
struct GroupRecord {
  char name[kGroupNameSize] = {};
  char first[kLayerNameSize] = {};
  char last[kLayerNameSize] = {};
  int32_t collapsed = 0;
};

static_assert(std::is_trivially_copyable_v<OverlayFileRecord>);
static_assert(std::is_trivially_copyable_v<LayerRecord>);
static_assert(std::is_trivially_copyable_v<GroupRecord>);
static_assert(std::is_trivially_copyable_v<MapRecord>);

}  // namespace tlv
