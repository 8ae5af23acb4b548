// The Extras menu's map decorations that exist so far: Lat/Long Grid > Show (23902), checked
// while the grid is drawn.
#pragma once

namespace tlv {

class MainWindow;

constexpr int kShowGridCommand = 23902;

void RegisterDecorationCommands(MainWindow& window);

}  // namespace tlv
