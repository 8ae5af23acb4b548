// The overlay, map and legend messages get the legend's switch, the configuration and the
// window's overlay displays.
#pragma once

namespace tlv {

void WireOverlayMessages();

}  // namespace tlv
