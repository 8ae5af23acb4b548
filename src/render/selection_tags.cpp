#include "render/selection_tags.h"

#include <algorithm>

#include "base/errors.h"
#include "catalogue/open_files.h"
#include "render/map_view.h"

namespace tlv {

int32_t SelectionTagPoints(BufferedFile& file, int32_t position, const IntegerMapping& mapping,
                           std::vector<ScreenPoint>& points) {
  int16_t type = 0;
  int32_t err = FSGetObjectType(file, position, type);
  if (err != 0) return err;
  if (type == kPolylineObject || type == kPolygonObject) {
    Handle list = nullptr;
    int32_t count = 0;
    err = FSGetObjectPoints(file, position, list, count);
    if (err != 0) return err;
    HandleArray<WPoint> view(list);
    const int32_t n = std::min(count, view.Count());
    for (int32_t i = 0; i < n; ++i) {
      const ScreenPoint s = mapping.Map(view.Get(i));
      if (!points.empty() && points.back() == s) continue;
      points.push_back(s);
    }
    MyDisposeHandle(list);
    return 0;
  }
  if (type == kAliasObject) return 0;
  WRect rect;
  err = FSGetObjectWorldRect(file, position, rect);
  if (err != 0) return err;
  const ScreenRect r = mapping.MapRect(rect);
  if (type == kCircleObject) {
    const int32_t mx = r.left + (r.right - r.left) / 2;
    const int32_t my = r.top + (r.bottom - r.top) / 2;
    points.insert(points.end(), {{mx, r.top}, {r.right, my}, {mx, r.bottom}, {r.left, my}});
  } else {
    points.insert(points.end(),
                  {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}});
  }
  return 0;
}

RGBColour ConfiguredTagColour(int32_t setting) {
  return {static_cast<uint8_t>(setting & 0xFF), static_cast<uint8_t>((setting >> 8) & 0xFF),
          static_cast<uint8_t>((setting >> 16) & 0xFF)};
}

void DrawTags(DrawPort& port, const std::vector<ScreenPoint>& points, bool frame,
              RGBColour colour) {
  port.SetRasterMode(RasterMode::kNotXor);
  port.SetBrush(BrushSpec{BrushKind::kSolid, colour, kWhiteColour, {}});
  port.SetPen(PenSpec{colour, 1, frame ? PenStyle::kSolid : PenStyle::kNone});
  const int32_t half = kSelectionTagSize / 2;
  for (const ScreenPoint& p : points) {
    const ScreenRect tag{p.x - half, p.y - half, p.x - half + kSelectionTagSize,
                         p.y - half + kSelectionTagSize};
    if (frame) {
      // The frame and the inside each cover their pixels once, so a second drawing restores them.
      port.FrameRect(tag);
      port.FillRect({tag.left + 1, tag.top + 1, tag.right - 1, tag.bottom - 1});
    } else {
      port.FillRect(tag);
    }
  }
}

int32_t DrawSelectionTags(DrawPort& port, const MapView& view, const ScreenRect& area,
                          const std::vector<ObjectRef>& objects, bool frame, RGBColour colour) {
  IntegerMapping mapping;
  mapping.Setup(ViewWorldRectFor(view, area, ViewScaleFactorK()), area);
  std::vector<ScreenPoint> points;
  for (const ObjectRef& object : objects) {
    int32_t mapIndex = -1, fileIndex = -1;
    int32_t err = AllocateSpaceForFile(object.mapID, object.overlayID, kObjectFileKind,
                                       kSmallWindowSize, &mapIndex, &fileIndex);
    if (err != 0) {
      ReportError("DrawSelectionTags()", "AllocateSpaceForFile()", err);
      return err;
    }
    err = SelectionTagPoints(CurrentObjectFile(), object.position, mapping, points);
    if (err != 0) return err;
  }
  DrawTags(port, points, frame, colour);
  return 0;
}

}  // namespace tlv
