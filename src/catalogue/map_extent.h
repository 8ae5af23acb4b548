// What "Go to Map" of the Overlay Maps dialog shows: the world rectangle of a map's objects and
// the note that follows when none of them can be seen.
#pragma once

#include <cstdint>

#include "base/world_types.h"

namespace tlv {

// The union of the bounds of the map's overlay files that hold objects; false when none does.
bool MapObjectBounds(int32_t mapIndex, WRect& bounds);
// 0 when an overlay with objects on the map is shown at the scale; else the message number of
// the note: 573 for a map not in use, 574 when none of its overlays is shown.
int32_t GoToMapNote(int32_t mapIndex, int32_t scale);

}  // namespace tlv
