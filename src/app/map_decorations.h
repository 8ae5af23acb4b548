// The decorations over the map as the preferences have them: which are shown, where, and how;
// the compass picture (compass.png in the program folder, read once); and the drawing step every
// finished pass ends with, on the screen, in pictures and on paper alike.
#pragma once

#include <cstdint>

#include "render/decorations.h"
#include "render/draw_port.h"
#include "render/map_view.h"

namespace tlv {

// The shown decorations and their options from the preferences, for a port of the given kind.
DecorationSettings DecorationSettingsFromPreferences(DeviceKind kind);
// The frame of a pass over mapping at scale, timed now by the platform's clock.
DecorationFrame DecorationFrameFor(const ViewMapping& mapping, int32_t scale);

// The compass picture, read on first use from the program folder with the picture reader;
// nullptr when it cannot be read (said once, not on every pass).
const PictureImage* CompassPicture();
// Tests and tolvane-cli can give the picture instead of the file.
void SetCompassPicture(const PictureImage& picture);

// The reference view's inset, the legend, then the floating decorations.
void DrawShownDecorations(DrawPort& port, const ViewMapping& mapping, int32_t scale);

// Stores a decoration's place (1/32000 of the map area, clamped) in the preferences.
void SetDecorationPosition(uint32_t which, int32_t positionX, int32_t positionY);

void ResetMapDecorationsForTesting();

}  // namespace tlv
