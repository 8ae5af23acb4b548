#include "shell/bonus_commands.h"

#include <cstdint>

#include "app/config.h"
#include "catalogue/groups.h"
#include "shell/main_window.h"

namespace tlv {

namespace {

constexpr int kDeleteEmptyOverlaysCommand = 805;

bool BonusMenuPresent() {
  return Config().useBonusMenu != 0;
}

}  // namespace

void RegisterBonusCommands(MainWindow& window) {
  // The same sweep as DLGZ at start-up: overlays and groups without objects go.
  window.RegisterCommand(
      kDeleteEmptyOverlaysCommand,
      [&window] {
        int32_t deleted = 0;
        DeleteEmptyLayersAndGroups(deleted);
        if (deleted > 0) window.InvalidateMap();
      },
      BonusMenuPresent);
}

}  // namespace tlv
