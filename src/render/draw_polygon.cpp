// Polygons: all rings filled as one region with alternate filling (ring by ring in fast mode or
// without an outline), a label point inside, then the outline drawn as a polyline.
#include <algorithm>
#include <vector>

#include "base/memory.h"
#include "render/draw_kinds.h"
#include "render/graphics_tables.h"

namespace tlv {

int32_t DrawPolygon(DrawPass& pass, BufferedFile& file, int32_t position,
                    const ObjectGraphics& graphics, RGBColour colour, ScreenPoint& labelPoint,
                    bool& haveLabelPoint) {
  haveLabelPoint = false;
  Handle points = nullptr;
  int32_t count = 0;
  const int32_t err = FSGetObjectPoints(file, position, points, count, true);
  if (err != 0) return err;
  std::vector<WPoint> world;
  std::vector<int32_t> starts;
  world.reserve(static_cast<size_t>(count));
  {
    HandleArray<WPoint> view(points);
    const int32_t available = std::min(count, view.Count());
    for (int32_t i = 0; i < available; ++i) {
      WPoint p = view.Get(i);
      const bool piece = (static_cast<uint32_t>(p.x) & kNewPieceBit) != 0 || i == 0;
      p.x = static_cast<int32_t>(static_cast<uint32_t>(p.x) & ~kNewPieceBit);
      if (piece) starts.push_back(static_cast<int32_t>(world.size()));
      world.push_back(p);
    }
  }
  MyDisposeHandle(points);
  std::vector<ScreenPoint> screen;
  std::vector<int32_t> sizes;
  RingsToScreen(pass.mapping, world, starts, screen, sizes);
  if (screen.empty()) return 0;
  // The label goes in the middle of the first inside span of the line through the centre.
  int32_t minX = screen[0].x, maxX = screen[0].x, minY = screen[0].y, maxY = screen[0].y;
  for (const ScreenPoint& s : screen) {
    minX = std::min(minX, s.x);
    maxX = std::max(maxX, s.x);
    minY = std::min(minY, s.y);
    maxY = std::max(maxY, s.y);
  }
  const double cy = minY + (static_cast<double>(maxY) - minY) / 2 + 0.5;
  std::vector<double> crossings;
  size_t at = 0;
  for (int32_t size : sizes) {
    for (int32_t i = 0; i + 1 < size; ++i) {
      const ScreenPoint a = screen[at + i];
      const ScreenPoint b = screen[at + i + 1];
      if ((a.y <= cy) != (b.y <= cy)) {
        crossings.push_back(a.x + (cy - a.y) * (static_cast<double>(b.x) - a.x) /
                                      (static_cast<double>(b.y) - a.y));
      }
    }
    at += static_cast<size_t>(size);
  }
  std::sort(crossings.begin(), crossings.end());
  if (crossings.size() >= 2) {
    labelPoint = {static_cast<int32_t>((crossings[0] + crossings[1]) / 2),
                  static_cast<int32_t>(cy)};
    haveLabelPoint = true;
  }
  const int16_t pattern = NormalizePattern(graphics.fillPattern);
  if (pattern == kPatternNone) return 0;
  draw_kinds::SetFillBrush(pass, pattern, colour);
  DrawPort& port = *pass.port;
  port.SetPen(PenSpec{colour, 1, PenStyle::kNone});
  // Ring by ring is quicker than one region, at the price of holes being filled.
  if (graphics.lineType == kLineNone || pass.options.fastMode) {
    size_t start = 0;
    for (int32_t size : sizes) {
      port.Polygon({screen.data() + start, static_cast<size_t>(size)});
      start += static_cast<size_t>(size);
    }
  } else {
    port.FillRegion(screen, sizes);
  }
  return 0;
}

namespace draw_kinds {

int32_t DrawPolygonObject(DrawPass& pass, BufferedFile& file, int32_t position, const Look& look,
                          RGBColour colour, ScreenPoint& labelPoint, bool& haveLabelPoint) {
  int32_t err =
      DrawPolygon(pass, file, position, look.graphics, colour, labelPoint, haveLabelPoint);
  if (err != 0) return err;
  const bool outline = !(look.graphics.lineType == kLineNone &&
                         NormalizePattern(look.graphics.fillPattern) != kPatternNone);
  if (!outline) return 0;
  SetLinePen(pass, look, colour, true);
  PolylineResult ignored;
  return DrawPolylinePath(pass, file, position, look.graphics.lineType == kLineTrack, ignored);
}

}  // namespace draw_kinds
}  // namespace tlv
