#include "search/pick.h"

#include <algorithm>
#include <cmath>

#include "base/memory.h"
#include "base/platform.h"
#include "catalogue/display_settings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/selection.h"
#include "geometry/distance.h"
#include "geometry/wrect.h"
#include "render/graphics_tables.h"
#include "render/map_view.h"
#include "render/symbols.h"
#include "search/collection.h"
#include "store/object_record.h"
#include "store/summary.h"

namespace tlv {
namespace {

// Candidates are read through a window this large (at most the file's length).
constexpr int32_t kPickReadWindow = -100000;

struct PickState {
  bool havePick = false;
  ObjectRef lastPick;
  uint32_t lastTicks = 0;
};

PickState state;

bool SameObject(const ObjectRef& a, const ObjectRef& b) {
  return a.mapID == b.mapID && a.overlayID == b.overlayID && a.position == b.position;
}

bool Wanted(OverlayFilter overlays, int32_t overlayID) {
  return overlays == nullptr ||
         std::find(overlays->begin(), overlays->end(), overlayID) != overlays->end();
}

// The live, placed records of an overlay file whose rectangles meet bounds, in summary order.
int32_t Candidates(const OverlayFileRecord& entry, const WRect& bounds,
                   std::vector<int32_t>& positions) {
  int32_t mapIndex = -1, fileIndex = -1;
  return ForEachSummaryRecord(
      entry.mapID, entry.overlayID,
      [&](const SummaryRecord& record, int32_t) -> int32_t {
        if (SummaryRecordLive(record) && WRectPlaced(record.worldRect) &&
            WRectsOverlap(record.worldRect, bounds)) {
          positions.push_back(record.position);
        }
        return 0;
      },
      &mapIndex, &fileIndex, &bounds);
}

// Whether the overlay file's objects can be picked at all, and its overlay record.
bool PickableFile(const OverlayFileRecord& entry, const WRect& bounds, OverlayFilter overlays,
                  LayerRecord& layer) {
  if (!Wanted(overlays, entry.overlayID)) return false;
  if (!WRectPlaced(entry.bounds) || !WRectsOverlap(entry.bounds, bounds)) return false;
  return GetLayerRecord(LayerIDToIndex(entry.overlayID), layer);
}

// Objects hidden by the show-only-collection option are not on the map, so they are not picked.
bool HiddenByCollection(const OverlayFileRecord& entry, int32_t position, bool overlayLimited) {
  return overlayLimited && !ObjectInCollection(entry.mapID, entry.overlayID, position);
}

Reach MilesReach(WPoint at, double miles) {
  return ReachAround(at, miles, kUnitMiles);
}

WPoint MapPoint(ScreenPoint at) {
  return ClampMousePoint(ScreenToWorldPoint(CurrentViewMapping(), at));
}

}  // namespace

int32_t ReadPickShape(BufferedFile& file, int32_t position, const LayerRecord& layer,
                      PickShape& shape) {
  shape = PickShape();
  int32_t err = FSGetObjectType(file, position, shape.type);
  if (err != 0) return err;
  if (shape.type == kAliasObject) return 0;
  err = FSGetObjectWorldRect(file, position, shape.rect);
  if (err != 0) return err;
  ObjectGraphics graphics;
  err = FSGetObjectGraphics(file, position, graphics);
  if (err != 0) return err;
  const int16_t fill = layer.graphicsOverride != 0 ? layer.graphics[4] : graphics.fillPattern;
  const bool filled = NormalizePattern(fill) != kPatternNone;
  switch (shape.type) {
    case kRectangleObject:
      shape.area = filled;
      shape.outline = RectangleRing(shape.rect);
      shape.closed = true;
      break;
    case kCircleObject:
      shape.area = filled;
      shape.outline = EllipseRing(shape.rect);
      shape.closed = true;
      break;
    case kPolylineObject:
    case kPolygonObject: {
      Handle points = nullptr;
      int32_t count = 0;
      err = FSGetObjectPoints(file, position, points, count, true);
      if (err != 0) return err;
      ScopedHandle owned(points);
      if (count > 0 && points != nullptr) {
        shape.outline = RingsFromFlaggedPoints(reinterpret_cast<const WPoint*>(*points), count);
      }
      shape.closed = shape.type == kPolygonObject;
      shape.area = shape.closed && filled;
      break;
    }
    case kPointObject:
      // The symbol is drawn centred on the rectangle's top-left corner.
      shape.location = {shape.rect.x1, shape.rect.y2};
      break;
    default:
      // Texts and pictures cover their boxes.
      shape.area = true;
      shape.outline = RectangleRing(shape.rect);
      shape.closed = true;
      break;
  }
  return 0;
}

bool ShapeNearPoint(const PickShape& shape, WPoint p, const Reach& reach, int32_t symbolHalf) {
  switch (shape.type) {
    case kAliasObject:
      return false;
    case kPointObject: {
      if (PointNearPoint(p, shape.location, reach)) return true;
      if (symbolHalf <= 0) return false;
      const int64_t halfX = std::llround(symbolHalf / CosineOfWorldLatitude(shape.location.y));
      return std::llabs(int64_t{p.x} - shape.location.x) <= halfX &&
             std::llabs(int64_t{p.y} - shape.location.y) <= symbolHalf;
    }
    case kRectangleObject:
    case kTextObject:
    case kPictureObject:
      if (shape.area) return PointNearWRect(p, shape.rect, reach);
      return PathNearPoint(shape.outline, shape.closed, p, reach);
    default:
      if (shape.area && RingsContainPoint(shape.outline, p)) return true;
      return PathNearPoint(shape.outline, shape.closed, p, reach);
  }
}

WRect PickAreaBounds(const PickArea& area) {
  if (!area.circle) {
    return {std::min(area.rect.x1, area.rect.x2), std::min(area.rect.y1, area.rect.y2),
            std::max(area.rect.x1, area.rect.x2), std::max(area.rect.y1, area.rect.y2)};
  }
  const Reach reach = MilesReach(area.centre, area.radiusMiles);
  return {SaturateToInt32(int64_t{area.centre.x} - reach.dx),
          SaturateToInt32(int64_t{area.centre.y} - reach.dy),
          SaturateToInt32(int64_t{area.centre.x} + reach.dx),
          SaturateToInt32(int64_t{area.centre.y} + reach.dy)};
}

bool ShapeTouchesArea(const PickShape& shape, const PickArea& area) {
  if (shape.type == kAliasObject) return false;
  if (area.circle) {
    return ShapeNearPoint(shape, area.centre, MilesReach(area.centre, area.radiusMiles), 0);
  }
  const WRect r = PickAreaBounds(area);
  switch (shape.type) {
    case kPointObject:
      return WPointInWRect(shape.location, r);
    case kRectangleObject:
    case kTextObject:
    case kPictureObject:
      if (shape.area) return WRectsOverlap(shape.rect, r);
      return PathTouchesWRect(shape.outline, shape.closed, r);
    default:
      if (PathTouchesWRect(shape.outline, shape.closed, r)) return true;
      // An area that holds the whole rectangle holds its corner.
      return shape.area && RingsContainPoint(shape.outline, {r.x1, r.y1});
  }
}

int32_t PickObjectAt(WPoint p, int32_t reachPixels, OverlayFilter overlays, ObjectRef& picked,
                     bool& found) {
  found = false;
  const double unitsPerPixel = ViewUnitsPerPixel();
  const int32_t reachY = SaturateToInt32(std::llround(reachPixels * unitsPerPixel));
  const Reach reach = MilesReach(p, LatitudeDifferenceLength(reachY, kUnitMiles));
  const int32_t symbolHalf =
      SaturateToInt32(std::llround(FontPixelSize(kSymbolFontSize) / 2.0 * unitsPerPixel));
  const int32_t halfX =
      LengthToWorldDx(LatitudeDifferenceLength(symbolHalf, kUnitMiles), p.y, kUnitMiles);
  const WRect bounds = OutsetWRect({p.x, p.y, p.x, p.y}, std::max(reach.dx, halfX) + 1,
                                   std::max(reach.dy, symbolHalf) + 1);
  const int32_t scale = CurrentMapView().scale;
  const bool onlyCollection = ShowOnlyCollection();
  int32_t failure = 0;
  const int32_t result = ForEachOverlayFile(
      [&](OverlayFileRecord& entry) -> int32_t {
        LayerRecord layer;
        if (!PickableFile(entry, bounds, overlays, layer)) return 0;
        const bool overlayLimited =
            onlyCollection && OverlayInCollection(entry.mapID, entry.overlayID);
        std::vector<int32_t> positions;
        if (Candidates(entry, bounds, positions) != 0) return 0;
        if (positions.empty()) return 0;
        int32_t mapIndex = -1, fileIndex = -1;
        int32_t err = AllocateSpaceForFile(entry.mapID, entry.overlayID, kObjectFileKind,
                                           kPickReadWindow, &mapIndex, &fileIndex);
        if (err != 0) return 0;
        const int32_t symbolReach = LayerDotsAtScale(layer, scale) ? 0 : symbolHalf;
        // The later record is drawn over the earlier one.
        for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
          if (HiddenByCollection(entry, *it, overlayLimited)) continue;
          PickShape shape;
          err = ReadPickShape(CurrentObjectFile(), *it, layer, shape);
          if (err != 0) {
            failure = err;
            return err;
          }
          if (ShapeNearPoint(shape, p, reach, symbolReach)) {
            picked = {entry.mapID, entry.overlayID, *it};
            found = true;
            return 1;
          }
        }
        return 0;
      },
      1, true, true, true);
  if (found) return 0;
  return failure != 0 ? failure : (result < 0 ? 0 : result);
}

int32_t FindObjectsInArea(const PickArea& area, OverlayFilter overlays,
                          std::vector<ObjectRef>& found) {
  found.clear();
  const WRect bounds = PickAreaBounds(area);
  const bool onlyCollection = ShowOnlyCollection();
  int32_t failure = 0;
  ForEachOverlayFile(
      [&](OverlayFileRecord& entry) -> int32_t {
        LayerRecord layer;
        if (!PickableFile(entry, bounds, overlays, layer)) return 0;
        const bool overlayLimited =
            onlyCollection && OverlayInCollection(entry.mapID, entry.overlayID);
        std::vector<int32_t> positions;
        if (Candidates(entry, bounds, positions) != 0 || positions.empty()) return 0;
        int32_t mapIndex = -1, fileIndex = -1;
        int32_t err = AllocateSpaceForFile(entry.mapID, entry.overlayID, kObjectFileKind,
                                           kPickReadWindow, &mapIndex, &fileIndex);
        if (err != 0) return 0;
        for (const int32_t position : positions) {
          if (HiddenByCollection(entry, position, overlayLimited)) continue;
          PickShape shape;
          err = ReadPickShape(CurrentObjectFile(), position, layer, shape);
          if (err != 0) {
            failure = err;
            return err;
          }
          if (ShapeTouchesArea(shape, area))
            found.push_back({entry.mapID, entry.overlayID, position});
        }
        return 0;
      },
      kWalkForwards, true, true, true);
  return failure;
}

std::vector<int32_t> ShownOverlayIDs() {
  std::vector<int32_t> ids;
  LayerRecord layer;
  for (int32_t i = 0; GetLayerRecord(i, layer); ++i) {
    if (LayerVisibleNow(i)) ids.push_back(layer.layerID);
  }
  return ids;
}

int32_t SelectToolClick(ScreenPoint click, bool toggle, uint32_t doubleClickTicks,
                        SelectClickResult& result, OverlayFilter overlays) {
  result = SelectClickResult();
  SetClickPointFromScreen(click);
  const uint32_t now = Platform().TickCount();
  ObjectRef object;
  bool found = false;
  const int32_t err = PickObjectAt(MapPoint(click), kPickReachPixels, overlays, object, found);
  if (err != 0) return err;
  if (!found) {
    state.havePick = false;
    if (!toggle) RemoveAllSelectedObjects();
    return 0;
  }
  result.picked = true;
  result.object = object;
  result.repeated = state.havePick && SameObject(state.lastPick, object) &&
                    now - state.lastTicks <= doubleClickTicks;
  state.havePick = true;
  state.lastPick = object;
  state.lastTicks = now;
  const bool wasToggling = SelectionToggleMode();
  if (!toggle) {
    // The second click of a double click keeps the object selected.
    if (!(IsSelected(object.mapID, object.overlayID, object.position) &&
          SelectedObjectCount() == 1)) {
      RemoveAllSelectedObjects();
    }
    SetSelectionToggleMode(false);
  } else {
    SetSelectionToggleMode(!result.repeated);
  }
  AddSelectedObject(object.mapID, object.overlayID, object.position);
  SetSelectionToggleMode(wasToggling);
  return 0;
}

int32_t SelectObjectsInArea(const PickArea& area, const std::vector<int32_t>& overlays, bool add,
                            int32_t& count) {
  std::vector<ObjectRef> found;
  count = 0;
  const int32_t err = FindObjectsInArea(area, &overlays, found);
  if (err != 0) return err;
  if (!add) RemoveAllSelectedObjects();
  const bool wasToggling = SelectionToggleMode();
  SetSelectionToggleMode(false);
  for (const ObjectRef& object : found) {
    AddSelectedObject(object.mapID, object.overlayID, object.position);
  }
  SetSelectionToggleMode(wasToggling);
  count = static_cast<int32_t>(found.size());
  return 0;
}

bool ObjectUnderScreenPoint(ScreenPoint at) {
  ObjectRef object;
  bool found = false;
  return PickObjectAt(MapPoint(at), kPickReachPixels, nullptr, object, found) == 0 && found;
}

PickArea ScreenDragArea(ScreenPoint from, ScreenPoint to, bool circle) {
  PickArea area;
  area.circle = circle;
  if (circle) {
    area.centre = MapPoint(from);
    area.radiusMiles = GreatCircleDistance(area.centre, MapPoint(to), kUnitMiles);
    return area;
  }
  const ScreenRect r{std::min(from.x, to.x), std::min(from.y, to.y), std::max(from.x, to.x),
                     std::max(from.y, to.y)};
  area.rect = ScreenRectToWorld(CurrentViewMapping(), r);
  return area;
}

void ResetPickForTesting() {
  state = PickState();
}

}  // namespace tlv
