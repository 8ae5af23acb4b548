// Rectangles and circles: the fill in its pattern, then the frame in the line style, as track
// lines for style 10.
#include "render/draw_kinds.h"
#include "render/graphics_tables.h"

namespace tlv::draw_kinds {

void DrawRectOrCircle(DrawPass& pass, bool circle, const Look& look, const ScreenRect& screen,
                      RGBColour colour) {
  DrawPort& port = *pass.port;
  if (NormalizePattern(look.graphics.fillPattern) != kPatternNone) {
    SetFillBrush(pass, look.graphics.fillPattern, colour);
    circle ? port.FillEllipse(screen) : port.FillRect(screen);
  }
  if (look.graphics.lineType == kLineTrack && !circle) {
    SetLinePen(pass, look, colour, false);
    const ScreenPoint c[4] = {{screen.left, screen.top},
                              {screen.right, screen.top},
                              {screen.right, screen.bottom},
                              {screen.left, screen.bottom}};
    for (int i = 0; i < 4; ++i) DrawTrackLine(port, c[i], c[(i + 1) % 4]);
  } else {
    SetLinePen(pass, look, colour, false);
    // Frames replace the map beneath whatever their style.
    if (!pass.singleObject) port.SetRasterMode(RasterMode::kCopy);
    circle ? port.FrameEllipse(screen) : port.FrameRect(screen);
  }
}

}  // namespace tlv::draw_kinds
