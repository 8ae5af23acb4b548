// The records of the map list and of each map's overlay-file list. They live in Handles, so
// they are plain bytes: fixed-width NUL-terminated text, no owning members besides Handles
// that the list code releases.
#pragma once

#include <cstdint>
#include <type_traits>

#include "store/memory.h"
#include "store/world_types.h"

namespace tlv {

constexpr int32_t kMapNameSize = 42;   // at most 41 characters and the NUL
constexpr int32_t kOwnerCodeSize = 6;  // at most 5 characters and the NUL
constexpr int32_t kOverlayFileBaseNameSize = 32;

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

static_assert(std::is_trivially_copyable_v<OverlayFileRecord>);
static_assert(std::is_trivially_copyable_v<MapRecord>);

}  // namespace tlv
