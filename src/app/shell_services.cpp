#include "app/shell_services.h"

namespace tlv {

namespace {

// Without a window (tolvane-cli, tests) the shell's requests have nothing to act on.
class WindowlessShell : public ShellServices {
 public:
  void AppendBonusMenu() override {}
  void AppendFileFixMenu() override {}
  void RemoveExtraMenus() override {}
  ScreenRect DesktopRect() override { return {0, 0, 1280, 1024}; }
  ScreenRect WindowRect() override { return {0, 0, 1024, 768}; }
  void PlaceWindow(const ScreenRect&, bool) override {}
  void InvalidateMap() override {}
  void UpdateMenus() override {}
  void CloseBasemapWindows() override {}
  bool MainWindowActive() override { return false; }
  bool InForeground() override { return false; }
  bool ModalOperationRunning() override { return false; }
  void FlashClickPoint() override {}
  void RepaintClock() override {}
};

ShellServices* installed = nullptr;

}  // namespace

ShellServices& Shell() {
  static WindowlessShell windowless;
  return installed != nullptr ? *installed : windowless;
}

void InstallShell(ShellServices* shell) {
  installed = shell;
}

}  // namespace tlv
