// What start-up, the idle step and shutdown ask of the main window. The Qt shell implements it;
// tests and tolvane-cli use a recording implementation.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/screen.h"

namespace tlv {

class ShellServices {
 public:
  virtual ~ShellServices() = default;

  // The extra menus that the configuration asks for.
  virtual void AppendBonusMenu() = 0;
  virtual void AppendFileFixMenu() = 0;
  virtual void RemoveExtraMenus() = 0;

  // The desktop's work area and the main window's outer rectangle.
  virtual ScreenRect DesktopRect() = 0;
  virtual ScreenRect WindowRect() = 0;
  // Moves the window to the rectangle and shows it (normal) or shows it maximised.
  virtual void PlaceWindow(const ScreenRect& rect, bool maximised) = 0;

  // Asks for a full repaint of the map area.
  virtual void InvalidateMap() = 0;
  // Refreshes the enabled state and check marks of the menus.
  virtual void UpdateMenus() = 0;
  // Asks every window of the basemap package (titles beginning "TOLVANE -" and the named
  // ones) to close.
  virtual void CloseBasemapWindows() = 0;
  // Whether the main window is the active window and not minimised.
  virtual bool MainWindowActive() = 0;
  // Whether the program is in the foreground.
  virtual bool InForeground() = 0;
  // Whether a modal operation (dialog, drawing, long operation) is running.
  virtual bool ModalOperationRunning() = 0;
  // Toggles the Click Point's flashing mark; repaints the clock display.
  virtual void FlashClickPoint() = 0;
  virtual void RepaintClock() = 0;
};

ShellServices& Shell();
void InstallShell(ShellServices* shell);

}  // namespace tlv
