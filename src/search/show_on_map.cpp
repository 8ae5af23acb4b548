#include "search/show_on_map.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "base/errors.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/display_settings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/selection.h"
#include "geometry/distance.h"
#include "geometry/wrect.h"
#include "render/map_view.h"
#include "search/collection.h"
#include "store/object_record.h"
#include "store/summary.h"

namespace tlv {
namespace {

constexpr const char* kProgrammerErrorText = "programmer error in ShowOnMapHelper";
constexpr const char* kOneNotShownAtScaleText =
    "Note: Object is not visible because its overlay is not shown at this scale.";
constexpr const char* kSomeNotShownAtScaleText =
    "Note: Object(s) not visible because overlay(s) not shown at this scale.";
constexpr const char* kAliasOriginalMissingText =
    "Technical Error: For one or more of the alias objects to be shown, the orginal could not "
    "be found.";
constexpr int kMessageNotFound = 66;
constexpr int kMessageMapNotInUse = 573;
constexpr int kMessageNoOverlayShown = 574;
// Neighbour pairs checked at each end of a list before it is sorted.
constexpr size_t kOrderCheckPairs = 10;
// Entries that could not be resolved, and entries skipped because they cannot be made visible.
constexpr int32_t kEntryNotFound = -1;
constexpr int32_t kEntrySkipped = -2;

struct ShowState {
  std::vector<ObjectRef> list;
  WPoint showPoint;
  ShowOnMapHooks hooks;
};

ShowState state;

bool RefLess(const ObjectRef& a, const ObjectRef& b) {
  if (a.mapID != b.mapID) return a.mapID < b.mapID;
  if (a.overlayID != b.overlayID) return a.overlayID < b.overlayID;
  return a.position < b.position;
}

bool SameRef(const ObjectRef& a, const ObjectRef& b) {
  return a.mapID == b.mapID && a.overlayID == b.overlayID && a.position == b.position;
}

// Sorting costs more than looking: only a list found out of order at either end, or with its
// ends the wrong way round, is sorted.
void OrderList(std::vector<ObjectRef>& list) {
  const size_t n = list.size();
  if (n < 2) return;
  bool ordered = !RefLess(list.back(), list.front());
  for (size_t i = 0; ordered && i + 1 < n && i < kOrderCheckPairs; ++i) {
    if (RefLess(list[i + 1], list[i])) ordered = false;
  }
  for (size_t i = n - 1; ordered && i > 0 && n - 1 - i < kOrderCheckPairs; --i) {
    if (RefLess(list[i], list[i - 1])) ordered = false;
  }
  if (!ordered) std::sort(list.begin(), list.end(), RefLess);
}

// The object an entry shows: an alias through the object it stands for. Its type and rectangle.
int32_t ResolveShown(const ObjectRef& entry, ObjectRef& shown, int16_t& type, WRect& rect) {
  shown = entry;
  int32_t mapIndex = -1, fileIndex = -1;
  int32_t err = AllocateSpaceForFile(entry.mapID, entry.overlayID, kObjectFileKind,
                                     kSmallWindowSize, &mapIndex, &fileIndex);
  if (err == 0) err = FSGetObjectType(CurrentObjectFile(), entry.position, type);
  if (err != 0) return err;
  if (type == kAliasObject) {
    int32_t original = -1;
    err = ResolveAlias(entry.mapID, entry.overlayID, entry.position, original, true);
    if (err != 0) return err;
    shown.position = original;
    err = AllocateSpaceForFile(entry.mapID, entry.overlayID, kObjectFileKind, kSmallWindowSize,
                               &mapIndex, &fileIndex);
    if (err == 0) err = FSGetObjectType(CurrentObjectFile(), original, type);
    if (err != 0) return err;
  }
  return FSGetObjectWorldRect(CurrentObjectFile(), shown.position, rect);
}

WPoint ShowPointOf(int16_t type, const WRect& rect, const ObjectRef& object) {
  switch (type) {
    case kPointObject:
      // A symbol is drawn on its location, the rectangle's top-left corner.
      return {rect.x1, rect.y2};
    case kPolylineObject:
    case kPolygonObject: {
      if (WRectInWRect(rect, ViewWorldRect())) return WRectCentre(rect);
      Handle points = nullptr;
      int32_t count = 0;
      if (FSGetObjectPoints(CurrentObjectFile(), object.position, points, count) == 0) {
        ScopedHandle owned(points);
        if (count > 0 && points != nullptr) return HandleArray<WPoint>(points).Get(0);
      }
      return WRectCentre(rect);
    }
    default:
      return WRectCentre(rect);
  }
}

bool Visible(WPoint p) {
  return WPointInWRect(p, ViewWorldRect());
}

bool FitsView(const WRect& r) {
  const WRect view = ViewWorldRect();
  return int64_t{r.x2} - r.x1 <= int64_t{view.x2} - view.x1 &&
         int64_t{r.y2} - r.y1 <= int64_t{view.y2} - view.y1;
}

// Fits r into the view with a margin of pixels on every side at the scale that results.
void FitWithPixelMargin(const WRect& r, int32_t pixels) {
  const ScreenRect area = MapArea();
  const double k = ViewScaleFactorK();
  const double width = area.right - area.left - 2.0 * pixels;
  const double height = area.bottom - area.top - 2.0 * pixels;
  if (width <= 0 || height <= 0 || k <= 0) {
    FitWorldRect(r);
    return;
  }
  const double cosine = CosineOfWorldLatitude(WRectCentre(r).y);
  const double byHeight = (static_cast<double>(r.y2) - r.y1) / (k * height);
  const double byWidth = (static_cast<double>(r.x2) - r.x1) * cosine / (k * width);
  const double scale =
      std::clamp(std::max(byHeight, byWidth), double{kMinScale}, double{kMaxScale});
  // A pixel spans more world units of x than of y away from the equator.
  const double marginY = pixels * k * scale;
  FitWorldRect(OutsetWRect(r, SaturateToInt32(std::llround(marginY / cosine)),
                           SaturateToInt32(std::llround(marginY))));
}

void CentreOn(WPoint p, int32_t scale) {
  CentreViewOn(scale, p.x, p.y);
}

}  // namespace

void SetShowOnMapHooks(ShowOnMapHooks hooks) {
  state.hooks = std::move(hooks);
}

int32_t ShowOnMap(const ObjectRef* object, const std::vector<ObjectRef>* list, int32_t action,
                  int32_t showMode, int32_t listMode, bool skipHiddenOverlays) {
  if (list != nullptr && listMode != kShowListAppend) {
    ShowAlert(kProgrammerErrorText, kStopAlert);
    return kErrGeneral;
  }
  if (listMode == kShowListClear) {
    state.list.clear();
    return 0;
  }
  const bool restarted =
      listMode == kShowListReplace || (listMode == kShowListAppend && state.list.empty());
  if (listMode == kShowListReplace) state.list.clear();
  if (listMode == kShowListReplace || listMode == kShowListAppend) {
    if (object != nullptr) state.list.push_back(*object);
    if (list != nullptr) state.list.insert(state.list.end(), list->begin(), list->end());
  }
  if (state.list.empty()) return 0;

  // The show point is the first object's, taken when the list starts.
  bool notFound = false;
  if (restarted) {
    ObjectRef shown;
    int16_t type = 0;
    WRect rect;
    if (ResolveShown(state.list.front(), shown, type, rect) == 0) {
      state.showPoint = ShowPointOf(type, rect, shown);
    }
  }
  OrderList(state.list);

  // Each object's map is put in use and its overlay shown, unless they are to be skipped.
  bool mapNotInUse = false;
  bool overlayHidden = false;
  std::vector<ObjectRef> shownObjects;
  std::vector<int32_t> shownOverlays;
  WRect united = kUnionStartRect;
  bool catalogueChanged = false;
  for (ObjectRef& entry : state.list) {
    if (entry.mapID == kEntrySkipped || entry.mapID == kEntryNotFound) continue;
    const int32_t mapIndex = MapIDToIndex(entry.mapID);
    const int32_t layerIndex = LayerIDToIndex(entry.overlayID);
    MapRecord map;
    if (mapIndex < 0 || layerIndex < 0 || !GetMapRecord(mapIndex, map)) {
      notFound = true;
      continue;
    }
    if (map.inUse == 0) {
      if (skipHiddenOverlays) {
        mapNotInUse = true;
        entry.mapID = kEntrySkipped;
        continue;
      }
      map.inUse = 1;
      SetMapRecord(mapIndex, map);
      catalogueChanged = true;
    }
    LayerRecord layer;
    GetLayerRecord(layerIndex, layer);
    if (layer.displayMode == kDisplayHide) {
      if (skipHiddenOverlays) {
        overlayHidden = true;
        entry.mapID = kEntrySkipped;
        continue;
      }
      ShowLayer(layerIndex);
      catalogueChanged = true;
    }
    ObjectRef shown;
    int16_t type = 0;
    WRect rect;
    if (ResolveShown(entry, shown, type, rect) != 0) {
      notFound = true;
      continue;
    }
    shownObjects.push_back(shown);
    shownOverlays.push_back(layerIndex);
    UnionWRect(united, rect);
  }
  if (catalogueChanged) ValidateObjectLists();
  if (notFound) ShowAlert(MessageText(kMessageNotFound), kNoteAlert);
  if (shownObjects.empty()) {
    if (mapNotInUse) {
      ShowAlert(MessageText(kMessageMapNotInUse), kNoteAlert);
    } else if (overlayHidden) {
      ShowAlert(MessageText(kMessageNoOverlayShown), kNoteAlert);
    }
    return 0;
  }

  const bool single = shownObjects.size() == 1;
  const int32_t closeUp = ClampScale(std::atol(kCloseUpScaleSetting));
  const int32_t scale = CurrentMapView().scale;
  if (showMode == kShowModeZoom && single && (united.x2 == united.x1 || united.y2 == united.y1)) {
    showMode = kShowModeCloseUp;
  }
  switch (showMode) {
    case kShowModeZoom:
      if (single) {
        FitWorldRect(united);
      } else {
        FitWithPixelMargin(united, kShowFitMarginPixels);
      }
      break;
    case kShowModeKeepOrFit:
      if (!single && !FitsView(united)) {
        FitWithPixelMargin(united, kShowFitMarginPixels);
      } else if (!Visible(state.showPoint)) {
        CentreOn(state.showPoint, scale);
      }
      break;
    case kShowModeKeepOrCentre:
      if (!Visible(state.showPoint)) CentreOn(state.showPoint, scale);
      break;
    case kShowModeCloseUp:
      CentreOn(state.showPoint, closeUp);
      break;
    case kShowModeStay:
      break;
    default:
      if (!WRectInWRect(united, ViewWorldRect())) {
        FitWithPixelMargin(united, kShowFitMarginPixels);
      }
      break;
  }
  // Range overlays may not show at the scale the view ended at.
  const bool anyOutOfRange = std::any_of(shownOverlays.begin(), shownOverlays.end(),
                                         [](int32_t index) { return !LayerVisibleNow(index); });
  if (anyOutOfRange) {
    ShowAlert(single ? kOneNotShownAtScaleText : kSomeNotShownAtScaleText, kNoteAlert);
  }

  if (action == kShowActionSelect) {
    RemoveAllSelectedObjects();
    const bool wasToggling = SelectionToggleMode();
    SetSelectionToggleMode(false);
    for (const ObjectRef& shown : shownObjects) {
      if (Platform().EscapePressed()) break;
      AddSelectedObject(shown.mapID, shown.overlayID, shown.position);
    }
    SetSelectionToggleMode(wasToggling);
  } else if (action == kShowActionFlash && single && state.hooks.flash) {
    state.hooks.flash(shownObjects.front());
  }
  SetClickPoint(state.showPoint);
  return 0;
}

int32_t ShowAllCollectedObjects() {
  std::vector<ObjectRef> objects;
  bool missing = false;
  ForEachCollectedObject([&](int32_t mapID, int32_t overlayID, int32_t position, const char(&)[4],
                             int32_t, int16_t flags) -> int32_t {
    ObjectRef object{mapID, overlayID, position};
    if ((flags & kCollectionAlias) != 0) {
      int32_t original = -1;
      if (ResolveAlias(mapID, overlayID, position, original, true) != 0) {
        missing = true;
        return 0;
      }
      object.position = original;
    }
    objects.push_back(object);
    return 0;
  });
  if (missing) ShowAlert(kAliasOriginalMissingText, kStopAlert);
  if (objects.empty()) return 0;
  std::sort(objects.begin(), objects.end(), RefLess);
  objects.erase(std::unique(objects.begin(), objects.end(), SameRef), objects.end());
  ShowOnMap(nullptr, nullptr, kShowActionNone, kShowModeStay, kShowListClear);
  return ShowOnMap(nullptr, &objects, kShowActionSelect, kShowModeKeepOrFit, kShowListAppend);
}

const std::vector<ObjectRef>& ShowList() {
  return state.list;
}

WPoint ShowPoint() {
  return state.showPoint;
}

void RenameShownObject(const ObjectRef& from, const ObjectRef& to) {
  for (ObjectRef& entry : state.list) {
    if (SameRef(entry, from)) entry = to;
  }
}

void ResetShowOnMapForTesting() {
  state = ShowState();
}

}  // namespace tlv
