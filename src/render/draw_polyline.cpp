// Polylines: the segments clipped to the view and drawn with the current pen, track lines with
// their cross ticks, and the score that picks the segment a label follows.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "geometry/wrect.h"
#include "render/draw_kinds.h"
#include "render/graphics_tables.h"

namespace tlv {
namespace draw_kinds {
namespace {

void DrawTrackTicks(DrawPort& port, ScreenPoint a, ScreenPoint b) {
  const double dx = static_cast<double>(b.x) - a.x;
  const double dy = static_cast<double>(b.y) - a.y;
  const double length = std::sqrt(dx * dx + dy * dy);
  const int64_t ticks = static_cast<int64_t>(length / kTrackTickSpacing);
  if (ticks <= 0 || ticks > 100000) return;
  const double ux = dx / length;
  const double uy = dy / length;
  for (int64_t i = 0; i < ticks; ++i) {
    DrawTrackTick(port, a.x + ux * kTrackTickSpacing * static_cast<double>(i),
                  a.y + uy * kTrackTickSpacing * static_cast<double>(i), ux, uy);
  }
}

}  // namespace

void DrawTrackTick(DrawPort& port, double cx, double cy, double ux, double uy) {
  port.MoveTo(static_cast<int32_t>(std::lround(cx - uy * kTrackTickReach)),
              static_cast<int32_t>(std::lround(cy + ux * kTrackTickReach)));
  port.LineTo(static_cast<int32_t>(std::lround(cx + uy * kTrackTickReach)),
              static_cast<int32_t>(std::lround(cy - ux * kTrackTickReach)));
}

void DrawTrackLine(DrawPort& port, ScreenPoint a, ScreenPoint b) {
  port.MoveTo(a.x, a.y);
  port.LineTo(b.x, b.y);
  DrawTrackTicks(port, a, b);
}

// Reads the segments and draws each with the current pen; finds the label segment. The points
// come in one read: the record's layout is then checked once, not again for every segment.
int32_t DrawPolylinePath(DrawPass& pass, BufferedFile& file, int32_t position, bool track,
                         PolylineResult& result) {
  Handle points = nullptr;
  int32_t count = 0;
  const int32_t err = FSGetObjectPoints(file, position, points, count, true);
  if (err != 0) return err;
  HandleArray<WPoint> list(points);
  count = std::min(count, list.Count());
  DrawPort& port = *pass.port;
  const double ppi = port.PixelsPerInchX();
  int32_t best = -10;
  WPoint previous;
  bool havePrevious = false;
  bool penAt = false;
  ScreenPoint penPoint;
  // The end of one segment is the start of the next: its pixel is kept rather than mapped again.
  bool haveMapped = false;
  WPoint mappedWorld;
  ScreenPoint mappedScreen;
  for (int32_t i = 0; i < count; ++i) {
    WPoint p = list.Get(i);
    const bool newPiece = (static_cast<uint32_t>(p.x) & kNewPieceBit) != 0;
    p.x = static_cast<int32_t>(static_cast<uint32_t>(p.x) & ~kNewPieceBit);
    if (!track && !WPointInWRect(p, pass.layer.overlayRect)) break;
    if (newPiece || !havePrevious) {
      previous = p;
      havePrevious = true;
      penAt = false;
      continue;
    }
    const WPoint start = previous;
    WPoint a = previous;
    WPoint b = p;
    previous = p;
    if (!ClipSegmentToWRect(pass.view, a, b)) {
      penAt = false;
      continue;
    }
    const ScreenPoint sa = haveMapped && mappedWorld.x == a.x && mappedWorld.y == a.y
                               ? mappedScreen
                               : pass.mapping.Map(a);
    const ScreenPoint sb = pass.mapping.Map(b);
    haveMapped = true;
    mappedWorld = b;
    mappedScreen = sb;
    if (track) {
      DrawTrackLine(port, sa, sb);
    } else {
      if (!penAt || !(penPoint == sa)) port.MoveTo(sa.x, sa.y);
      port.LineTo(sb.x, sb.y);
      penAt = true;
      penPoint = sb;
    }
    if (!pass.layer.labels) continue;
    // The score judges the whole segment, not the part of it the view shows: the clipped ends
    // lie in the view by construction, so a segment crossing the view would beat one inside it.
    const ScreenPoint ua = a == start ? sa : pass.mapping.Map(start);
    const ScreenPoint ub = b == p ? sb : pass.mapping.Map(p);
    const int32_t score = SegmentLabelScore(pass.view, pass.area, ppi, start, p, ua, ub);
    if (score > best) {
      best = score;
      result.haveSegment = true;
      result.a = sa;
      result.b = sb;
    }
  }
  MyDisposeHandle(points);
  // LineTo stops short of its end point; the last point of a path is drawn as well.
  if (penAt && !track) port.LineTo(penPoint.x + 1, penPoint.y);
  return 0;
}

int32_t DrawPolylineObject(DrawPass& pass, BufferedFile& file, int32_t position, const Look& look,
                           RGBColour colour, PolylineResult& line) {
  SetLinePen(pass, look, colour, true);
  return DrawPolylinePath(pass, file, position, look.graphics.lineType == kLineTrack, line);
}

}  // namespace draw_kinds

int32_t SegmentLabelScore(const WRect& view, const ScreenRect& area, double pixelsPerInch, WPoint a,
                          WPoint b, ScreenPoint sa, ScreenPoint sb) {
  int32_t score = -5;
  if (WPointInWRect(a, view)) score += 10;
  if (WPointInWRect(b, view)) score += 10;
  const int32_t insetX = (area.right - area.left) / 16;
  const int32_t insetY = (area.bottom - area.top) / 16;
  auto inner = [&](ScreenPoint s) {
    return s.x >= area.left + insetX && s.x < area.right - insetX && s.y >= area.top + insetY &&
           s.y < area.bottom - insetY;
  };
  if (inner(sa) || inner(sb)) score += 2;
  const int64_t dx = static_cast<int64_t>(sb.x) - sa.x;
  const int64_t dy = static_cast<int64_t>(sb.y) - sa.y;
  if (static_cast<double>(std::llabs(dx) + std::llabs(dy)) > pixelsPerInch) score += 3;
  const ScreenPoint left = sa.x <= sb.x ? sa : sb;
  const ScreenPoint right = sa.x <= sb.x ? sb : sa;
  if (left.y > right.y && std::llabs(dy) > std::llabs(dx)) score -= 2;
  return score;
}

}  // namespace tlv
