#include "app/overlay_message_wiring.h"

#include <utility>

#include "app/config.h"
#include "app/preferences.h"
#include "app/shell_services.h"
#include "iac/overlay_messages.h"

namespace tlv {

void WireOverlayMessages() {
  OverlayMessageHooks hooks;
  // The menus name overlays (the Temporary Overlay's items) and the map draws them in order.
  hooks.overlayListChanged = [] {
    Shell().UpdateMenus();
    Shell().InvalidateMap();
  };
  hooks.legendShown = [] { return GetPref(Pref::kLegendShown) != 0; };
  hooks.setLegendShown = [](bool shown) { SetPref(Pref::kLegendShown, shown ? 1 : 0); };
  hooks.timeMapMessages = [] { return Config().timeMapMessages != 0; };
  SetOverlayMessageHooks(std::move(hooks));
}

}  // namespace tlv
