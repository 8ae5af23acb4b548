// The clipboard commands of the window: the copy items of the Click Point, Marked Point and
// object pop-ups, Copy Map Picture (203), and the two point pop-ups opened by a right click on
// the Click Point or Marked Point cross.
#pragma once

#include <cstdint>

class QImage;

namespace tlv {

class MainWindow;

constexpr int kCopyMapPictureCommand = 203;
// A right click this many pixels or fewer from a cross opens the cross's pop-up.
constexpr int32_t kCrossHitPixels = 4;

// Registers 20001 and 20626, 20301, 20406 to 20408 and 203, and watches the map area for right
// clicks on the crosses.
void RegisterCopyCommands(MainWindow& window);

// The map area's view drawn as on screen, in an image of the map area's size.
QImage MapAreaPicture();

}  // namespace tlv
