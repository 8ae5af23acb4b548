// How the editing code reaches one object record: the small window it reads and writes a record
// through, and making an overlay file's object file current with it.
#pragma once

#include <cstdint>

#include "catalogue/open_files.h"
#include "store/object_record.h"

namespace tlv {

// One record at a time needs no more than the open-file table's small window.
constexpr int32_t kOneObjectWindow = kSmallWindowSize;

// Makes the object file of (map ID, overlay ID) the current one, with a window of the given size;
// mapIndex and fileIndex receive the resolved list positions when asked for.
int32_t UseObjectFile(int32_t mapID, int32_t overlayID, int32_t window = kOneObjectWindow,
                      int32_t* mapIndex = nullptr, int32_t* fileIndex = nullptr);

// Polylines and polygons, the kinds that store segments.
inline bool IsPolyType(int16_t type) {
  return type == kPolylineObject || type == kPolygonObject;
}

}  // namespace tlv
