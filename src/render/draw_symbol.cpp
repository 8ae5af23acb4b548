// Symbols: the glyph of the object's symbol number centred on its point, or in dots mode a
// square of the line width's size.
#include <algorithm>

#include "render/draw_kinds.h"
#include "render/graphics_tables.h"
#include "render/symbols.h"

namespace tlv::draw_kinds {

void DrawPointObject(DrawPass& pass, const WRect& rect, const Look& look, RGBColour colour) {
  DrawPort& port = *pass.port;
  const ScreenPoint at = pass.mapping.Map({rect.x1, rect.y2});
  if (pass.layer.dots) {
    const int32_t side =
        std::max(kDotMinimumSize, DrawnLineWidth(look.graphics.variant, pass.fatLines));
    port.SetRasterMode(pass.singleObject ? RasterMode::kNotXor : RasterMode::kCopy);
    port.SetBrush(BrushForPattern(kPatternSolid, colour, port.Kind()));
    port.FillRect(
        {at.x - side / 2, at.y - side / 2, at.x - side / 2 + side, at.y - side / 2 + side});
  } else {
    const ScreenRect box = SymbolBox(at, FontPixelSize(kSymbolFontSize));
    DrawSymbol(port, look.graphics.symbol, box, colour, pass.printerFont);
  }
}

}  // namespace tlv::draw_kinds
