#include "edit/object_access.h"

namespace tlv {

int32_t UseObjectFile(int32_t mapID, int32_t overlayID, int32_t window, int32_t* mapIndex,
                      int32_t* fileIndex) {
  int32_t mi = -1, fi = -1;
  const int32_t err = AllocateSpaceForFile(mapID, overlayID, kObjectFileKind, window, &mi, &fi);
  if (mapIndex != nullptr) *mapIndex = mi;
  if (fileIndex != nullptr) *fileIndex = fi;
  return err;
}

}  // namespace tlv
