#include "catalogue/map_extent.h"

#include "base/memory.h"
#include "catalogue/display_settings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "geometry/wrect.h"

namespace tlv {

namespace {

constexpr int32_t kMessageMapNotInUse = 573;
constexpr int32_t kMessageNoOverlayShown = 574;

}  // namespace

bool MapObjectBounds(int32_t mapIndex, WRect& bounds) {
  bounds = kUnionStartRect;
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) return false;
  bool any = false;
  OverlayFileRecord file;
  for (int32_t f = 0; GetOverlayFileRecord(mapIndex, f, file); ++f) {
    if (file.objectCount <= 0) continue;
    UnionWRect(bounds, file.bounds);
    any = true;
  }
  if (!any) bounds = WRect();
  return any;
}

int32_t GoToMapNote(int32_t mapIndex, int32_t scale) {
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) return 0;
  if (!map.inUse) return kMessageMapNotInUse;
  OverlayFileRecord file;
  for (int32_t f = 0; GetOverlayFileRecord(mapIndex, f, file); ++f) {
    LayerRecord layer;
    if (file.objectCount > 0 && GetLayerRecord(LayerIDToIndex(file.overlayID), layer) &&
        LayerShownAtScale(layer, scale)) {
      return 0;
    }
  }
  return kMessageNoOverlayShown;
}

}  // namespace tlv
