// Rectangles and circles: the fill in its pattern, then the frame in the line style, as track
// lines for style 10.
#include <algorithm>
#include <cmath>
#include <vector>

#include "render/draw_kinds.h"
#include "render/graphics_tables.h"

namespace tlv::draw_kinds {
namespace {

constexpr double kPi = 3.14159265358979323846;
// The ellipse is followed as a polygon of edges about this many pixels long, within these
// counts, so that ticks sit on the frame on screen and a huge circle costs no more than a
// fine polygon.
constexpr double kEdgePixels = 4.0;
constexpr int32_t kMinEdges = 16;
constexpr int32_t kMaxEdges = 4096;

bool EdgeNearArea(double ax, double ay, double bx, double by, const ScreenRect& area) {
  const double reach = kTrackTickReach + 1;
  return std::max(ax, bx) >= area.left - reach && std::min(ax, bx) <= area.right + reach &&
         std::max(ay, by) >= area.top - reach && std::min(ay, by) <= area.bottom + reach;
}

}  // namespace

void DrawEllipseTrackTicks(DrawPort& port, const ScreenRect& box, const ScreenRect& area) {
  const double rx = (static_cast<double>(box.right) - box.left) / 2;
  const double ry = (static_cast<double>(box.bottom) - box.top) / 2;
  if (rx <= 0 || ry <= 0) return;
  const double cx = box.left + rx;
  const double cy = box.top + ry;
  // Ramanujan's circumference, only to choose how finely to follow the ellipse.
  const double around = kPi * (3 * (rx + ry) - std::sqrt((3 * rx + ry) * (rx + 3 * ry)));
  const int32_t edges =
      static_cast<int32_t>(std::clamp(around / kEdgePixels, double{kMinEdges}, double{kMaxEdges}));
  std::vector<double> xs(static_cast<size_t>(edges) + 1), ys(static_cast<size_t>(edges) + 1);
  double total = 0;
  for (int32_t i = 0; i <= edges; ++i) {
    // From the top, clockwise on screen, so the ticks do not depend on where the frame starts.
    const double t = 2 * kPi * (i % edges) / edges;
    xs[static_cast<size_t>(i)] = cx + rx * std::sin(t);
    ys[static_cast<size_t>(i)] = cy - ry * std::cos(t);
    if (i > 0) {
      total += std::hypot(xs[static_cast<size_t>(i)] - xs[static_cast<size_t>(i) - 1],
                          ys[static_cast<size_t>(i)] - ys[static_cast<size_t>(i) - 1]);
    }
  }
  const int64_t ticks = static_cast<int64_t>(total / kTrackTickSpacing);
  int64_t next = 0;   // the number of the next tick
  double walked = 0;  // the distance along the frame to the start of this edge
  for (int32_t i = 0; i < edges && next < ticks; ++i) {
    const double ax = xs[static_cast<size_t>(i)], ay = ys[static_cast<size_t>(i)];
    const double bx = xs[static_cast<size_t>(i) + 1], by = ys[static_cast<size_t>(i) + 1];
    const double length = std::hypot(bx - ax, by - ay);
    const double end = walked + length;
    if (length <= 0) continue;
    if (!EdgeNearArea(ax, ay, bx, by, area)) {
      // Skipped edges still take their share of the ticks.
      while (next < ticks && static_cast<double>(next) * kTrackTickSpacing < end) ++next;
    } else {
      const double ux = (bx - ax) / length;
      const double uy = (by - ay) / length;
      for (; next < ticks && static_cast<double>(next) * kTrackTickSpacing < end; ++next) {
        const double along = static_cast<double>(next) * kTrackTickSpacing - walked;
        DrawTrackTick(port, ax + ux * along, ay + uy * along, ux, uy);
      }
    }
    walked = end;
  }
}

void DrawRectOrCircle(DrawPass& pass, bool circle, const Look& look, const ScreenRect& screen,
                      RGBColour colour) {
  DrawPort& port = *pass.port;
  if (NormalizePattern(look.graphics.fillPattern) != kPatternNone) {
    SetFillBrush(pass, look.graphics.fillPattern, colour);
    circle ? port.FillEllipse(screen) : port.FillRect(screen);
  }
  SetLinePen(pass, look, colour, false);
  // Frames replace the map beneath whatever their style, track frames included.
  if (!pass.singleObject) port.SetRasterMode(RasterMode::kCopy);
  if (look.graphics.lineType != kLineTrack) {
    circle ? port.FrameEllipse(screen) : port.FrameRect(screen);
  } else if (circle) {
    port.FrameEllipse(screen);
    DrawEllipseTrackTicks(port, screen, pass.area);
  } else {
    const ScreenPoint c[4] = {{screen.left, screen.top},
                              {screen.right, screen.top},
                              {screen.right, screen.bottom},
                              {screen.left, screen.bottom}};
    for (int i = 0; i < 4; ++i) DrawTrackLine(port, c[i], c[(i + 1) % 4]);
  }
}

}  // namespace tlv::draw_kinds
