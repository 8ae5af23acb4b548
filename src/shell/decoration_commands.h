// The Extras menu's map decorations: Scale Bar > Show (23702), Compass > Show (23601), Time
// Stamp > Show (23802), Lat/Long Grid > Show (23902) and Reference View > Show (23402), each
// checked while it is drawn.
#pragma once

namespace tlv {

class MainWindow;

constexpr int kShowScaleBarCommand = 23702;
constexpr int kShowCompassCommand = 23601;
constexpr int kShowTimeStampCommand = 23802;
constexpr int kShowGridCommand = 23902;
constexpr int kShowReferenceViewCommand = 23402;

void RegisterDecorationCommands(MainWindow& window);

}  // namespace tlv
