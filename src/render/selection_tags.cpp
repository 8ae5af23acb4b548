#include "render/selection_tags.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <utility>

#include "base/errors.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "geometry/wrect.h"
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
  // A symbol's rectangle is often a single point: its corners fall together, and tags drawn
  // twice in NOT-XOR would take each other off, so each place gets one tag.
  const auto first = points.end() - 4;
  for (auto it = first + 1; it != points.end();) {
    if (std::find(first, it, *it) != it) {
      it = points.erase(it);
    } else {
      ++it;
    }
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

int32_t LiveObjectsInView(const std::vector<ObjectRef>& objects, const WRect& view,
                          std::vector<bool>& live) {
  live.assign(objects.size(), false);
  // One walk per overlay file that holds selected objects.
  std::map<std::pair<int32_t, int32_t>, std::unordered_map<int32_t, std::vector<size_t>>> files;
  for (size_t i = 0; i < objects.size(); ++i) {
    files[{objects[i].mapID, objects[i].overlayID}][objects[i].position].push_back(i);
  }
  for (const auto& item : files) {
    // Named, not bound: the visit below captures it.
    const auto& wanted = item.second;
    int32_t mapIndex = -1, fileIndex = -1;
    const int32_t err = ForEachSummaryRecord(
        item.first.first, item.first.second,
        [&](const SummaryRecord& record, int32_t) -> int32_t {
          if (!SummaryRecordLive(record) || !WRectsOverlap(record.worldRect, view)) return 0;
          const auto found = wanted.find(record.position);
          if (found != wanted.end()) {
            for (size_t i : found->second) live[i] = true;
          }
          return 0;
        },
        &mapIndex, &fileIndex, &view);
    if (err != 0) return err;
  }
  return 0;
}

void DropRepeatedTags(std::vector<ScreenPoint>& points) {
  const auto before = [](const ScreenPoint& a, const ScreenPoint& b) {
    return a.x != b.x ? a.x < b.x : a.y < b.y;
  };
  std::sort(points.begin(), points.end(), before);
  points.erase(std::unique(points.begin(), points.end()), points.end());
}

int32_t DrawSelectionTags(DrawPort& port, const MapView& view, const ScreenRect& area,
                          const std::vector<ObjectRef>& objects, bool frame, RGBColour colour) {
  const WRect world = ViewWorldRectFor(view, area, ViewScaleFactorK());
  IntegerMapping mapping;
  mapping.Setup(world, area);
  // An object just outside the view still shows the inner half of its tags.
  const int64_t width = std::max(1, area.right - area.left);
  const int64_t height = std::max(1, area.bottom - area.top);
  const int32_t marginX =
      SaturateToInt32((static_cast<int64_t>(world.x2) - world.x1) * kSelectionTagSize / width + 1);
  const int32_t marginY =
      SaturateToInt32((static_cast<int64_t>(world.y2) - world.y1) * kSelectionTagSize / height + 1);
  // Deleted objects may linger in a list (an Undo of their making, a replacing import); they
  // get no tags.
  std::vector<bool> live;
  int32_t err = LiveObjectsInView(objects, OutsetWRect(world, marginX, marginY), live);
  if (err != 0) {
    ReportError("DrawSelectionTags()", "ForEachSummaryRecord()", err);
    return err;
  }
  std::vector<ScreenPoint> points;
  for (size_t i = 0; i < objects.size(); ++i) {
    if (!live[i]) continue;
    const ObjectRef& object = objects[i];
    int32_t mapIndex = -1, fileIndex = -1;
    err = AllocateSpaceForFile(object.mapID, object.overlayID, kObjectFileKind, kSmallWindowSize,
                               &mapIndex, &fileIndex);
    if (err != 0) {
      ReportError("DrawSelectionTags()", "AllocateSpaceForFile()", err);
      return err;
    }
    err = SelectionTagPoints(CurrentObjectFile(), object.position, mapping, points);
    if (err != 0) return err;
  }
  // Tags are drawn in NOT-XOR: a tag drawn twice at one place (a symbol's four corners, a ring's
  // closing vertex, a vertex two objects share) would vanish.
  DropRepeatedTags(points);
  DrawTags(port, points, frame, colour);
  return 0;
}

}  // namespace tlv
