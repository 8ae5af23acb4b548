// The drawing request every pass of the program starts from: the configuration's line setting.
#pragma once

#include "render/draw_map.h"

namespace tlv {

// The request of a pass with the configuration's line setting.
DrawMapRequest StandardDrawRequest();

}  // namespace tlv
