#include "render/reference_view.h"

#include <algorithm>
#include <cmath>

#include "geometry/coordinates.h"
#include "geometry/wrect.h"

namespace tlv {

namespace {

constexpr double kThumbnailPixelsPerInch = 96.0;
constexpr double kInsetMargin = 8.0;  // screen pixels at 96 per inch
constexpr int32_t kCrossLimit = 4;
constexpr int32_t kCrossArm = 4;
constexpr double kPaperLineInches = 0.015;

int32_t Round(double value) {
  return static_cast<int32_t>(std::lround(value));
}

}  // namespace

ReferenceInsetLayout LayoutReferenceInset(const ScreenRect& area, DeviceKind device,
                                          double pixelsPerInch, int32_t width, int32_t height,
                                          const WRect& reference, const WRect& current) {
  ReferenceInsetLayout layout;
  const double k = pixelsPerInch / kThumbnailPixelsPerInch;
  const int32_t margin = Round(kInsetMargin * k);
  const int32_t w = std::max(1, Round(width * k));
  const int32_t h = std::max(1, Round(height * k));
  layout.box = {area.right - margin - w, area.top + margin, area.right - margin,
                area.top + margin + h};
  const double spanX = std::max(1.0, double(reference.x2) - reference.x1);
  const double spanY = std::max(1.0, double(reference.y2) - reference.y1);
  auto x = [&](int32_t worldX) {
    return layout.box.left + Round((double(worldX) - reference.x1) / spanX * w);
  };
  // World y grows northwards, pixels downwards.
  auto y = [&](int32_t worldY) {
    return layout.box.top + Round((double(reference.y2) - worldY) / spanY * h);
  };
  layout.marker = {x(current.x1), y(current.y2), x(current.x2), y(current.y1)};
  layout.cross = layout.marker.right - layout.marker.left <= kCrossLimit &&
                 layout.marker.bottom - layout.marker.top <= kCrossLimit;
  switch (device) {
    case DeviceKind::kScreen:
      layout.lineWidth = 1;
      break;
    case DeviceKind::kPrinter:
      layout.lineWidth = std::max(1, Round(kPaperLineInches * pixelsPerInch));
      break;
    default:
      layout.lineWidth = 2;
      break;
  }
  return layout;
}

void DrawReferenceInset(DrawPort& port, const ScreenRect& area, int32_t width, int32_t height,
                        const std::vector<uint32_t>& argb, const WRect& reference,
                        const WRect& current, int32_t dashPhase) {
  if (width <= 0 || height <= 0 ||
      argb.size() < static_cast<size_t>(width) * static_cast<size_t>(height)) {
    return;
  }
  const ReferenceInsetLayout layout = LayoutReferenceInset(area, port.Kind(), port.PixelsPerInchX(),
                                                           width, height, reference, current);
  port.SetRasterMode(RasterMode::kCopy);
  if (!port.DrawPixels(layout.box, width, height, argb.data())) {
    port.SetBrush({BrushKind::kSolid, {200, 200, 200}});
    port.FillRect(layout.box);
  }
  PenSpec frame;
  frame.colour = {0, 0, 0};
  port.SetPen(frame);
  port.SetBrush({BrushKind::kNone, {}});
  port.FrameRect(layout.box);
  port.SetClipRect(layout.box);
  PenSpec marker;
  marker.colour = {255, 0, 0};
  marker.width = layout.lineWidth;
  marker.style = port.Kind() == DeviceKind::kScreen ? PenStyle::kDash : PenStyle::kSolid;
  if (marker.style == PenStyle::kDash) {
    marker.dashOffset = ((dashPhase % kMarkerPhases) + kMarkerPhases) % kMarkerPhases;
  }
  port.SetPen(marker);
  const ScreenRect& m = layout.marker;
  if (layout.cross) {
    const int32_t cx = (m.left + m.right) / 2;
    const int32_t cy = (m.top + m.bottom) / 2;
    port.MoveTo(cx - kCrossArm, cy);
    port.LineTo(cx + kCrossArm, cy);
    port.MoveTo(cx, cy - kCrossArm);
    port.LineTo(cx, cy + kCrossArm);
  } else {
    port.FrameRect(m);
  }
  port.ClearClip();
}

void ShrinkAreaToViewAspect(const WRect& view, int32_t& width, int32_t& height) {
  const double spanX = double(view.x2) - view.x1;
  const double spanY = double(view.y2) - view.y1;
  if (spanX <= 0 || spanY <= 0 || width <= 0 || height <= 0) return;
  constexpr double kPi = 3.14159265358979323846;
  const double middle = ((double(view.y1) + view.y2) / 2 - kWorldOffsetY) / 1000000.0 * kPi / 180.0;
  const double aspect = spanX * std::max(0.0, std::cos(middle)) / spanY;
  if (aspect <= 0) return;
  if (double(width) / height > aspect) {
    width = std::max(1, Round(height * aspect));
  } else {
    height = std::max(1, Round(width / aspect));
  }
}

int32_t SmallestContaining(const std::vector<WRect>& candidates, const WRect& current) {
  int32_t best = -1;
  int64_t bestSize = 0;
  for (size_t i = 0; i < candidates.size(); ++i) {
    const WRect& r = candidates[i];
    if (!WRectInWRect(current, r)) continue;
    const int64_t size = (int64_t{r.x2} - r.x1) + (int64_t{r.y2} - r.y1);
    if (best < 0 || size < bestSize) {
      best = static_cast<int32_t>(i);
      bestSize = size;
    }
  }
  return best;
}

}  // namespace tlv
