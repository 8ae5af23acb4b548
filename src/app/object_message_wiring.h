// The map and object messages get what they need of the program: the window, the configuration,
// the user's folder and the import and export that sit beside messaging.
#pragma once

#include "app/wiring.h"

namespace tlv {

void WireObjectMessages(const FrontEndHooks& frontEnd);

}  // namespace tlv
