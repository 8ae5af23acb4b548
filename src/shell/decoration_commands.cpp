#include "shell/decoration_commands.h"

#include "app/preferences.h"
#include "shell/main_window.h"

namespace tlv {

void RegisterDecorationCommands(MainWindow& window) {
  window.RegisterCommand(kShowGridCommand, [&window] {
    SetPref(Pref::kGridShown, GetPref(Pref::kGridShown) != 0 ? 0 : 1);
    window.InvalidateMap();
  });
  window.SetCommandChecked(kShowGridCommand, [] { return GetPref(Pref::kGridShown) != 0; });
}

}  // namespace tlv
