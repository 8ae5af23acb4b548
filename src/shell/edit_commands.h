// The Edit menu's Undo and Delete and the Overlays menu's commands that change the selected
// objects (colour, line style, fill pattern, symbol, polyline <-> polygon, move to another
// overlay or map), with the simple chooser lists they need.
#pragma once

namespace tlv {

class MainWindow;

// Registers the commands with their enabled conditions, installs the selection's life-cycle
// hooks and the custom-colour chooser.
void RegisterEditCommands(MainWindow& window);

}  // namespace tlv
