#include "shell/decoration_commands.h"

#include "app/preferences.h"
#include "shell/main_window.h"

namespace tlv {

namespace {

// A Show item: flips its preference and redraws; checked while it is on.
void RegisterShowToggle(MainWindow& window, int command, Pref shown) {
  window.RegisterCommand(command, [&window, shown] {
    SetPref(shown, GetPref(shown) != 0 ? 0 : 1);
    window.InvalidateMap();
  });
  window.SetCommandChecked(command, [shown] { return GetPref(shown) != 0; });
}

}  // namespace

void RegisterDecorationCommands(MainWindow& window) {
  RegisterShowToggle(window, kShowScaleBarCommand, Pref::kScaleBarShown);
  RegisterShowToggle(window, kShowCompassCommand, Pref::kCompassShown);
  RegisterShowToggle(window, kShowTimeStampCommand, Pref::kTimeStampShown);
  RegisterShowToggle(window, kShowGridCommand, Pref::kGridShown);
  RegisterShowToggle(window, kShowReferenceViewCommand, Pref::kShowReferenceView);
}

}  // namespace tlv
