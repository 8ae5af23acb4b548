// The Overlays menu's Vertex sub-menu (mark, move, insert and delete single points of the first
// selected polyline or polygon) and the Marked Point commands of the Extras menu and of the
// Click Point and Marked Point pop-ups; the Marked Point's cross drawn over the map.
#pragma once

#include <QImage>

#include "base/world_types.h"

namespace tlv {

class MainWindow;
class MapPane;

// Registers 23301-23304 and 20310, the Marked Point items 23001-23005, 20304-20308 and 20010,
// and draws the Marked Point after every pass of the pane, showing it on the status line.
void RegisterVertexCommands(MainWindow& window, MapPane& pane);

// Inverts the 17 pixels of a 9-pixel diagonal cross centred on the image pixel (x, y), as a
// NOT-XOR pen does: drawn twice it is gone.
void ToggleMarkedPointCross(QImage& image, int x, int y);

}  // namespace tlv
