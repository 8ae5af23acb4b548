// Showing objects on the map: a show list of references, the view moved (or not) so that they
// can be seen, their maps put in use and their overlays shown, then the objects selected or
// flashed and the Click Point moved to the show point. The collection window, the search and the
// message handlers of other programs all come here.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "base/object_ids.h"
#include "base/world_types.h"

namespace tlv {

// Actions after showing.
constexpr int32_t kShowActionNone = 0;
constexpr int32_t kShowActionSelect = 8;  // the shown objects become the selection
constexpr int32_t kShowActionFlash = 11;  // the single shown object flashes

// Show modes; any other value fits the objects' union into the view, grown by 10 pixels.
constexpr int32_t kShowModeZoom = 4;       // zoom to one object's rectangle; several are fitted
constexpr int32_t kShowModeKeepOrFit = 5;  // keep or centre; several too large are fitted
constexpr int32_t kShowModeKeepOrCentre = 6;
constexpr int32_t kShowModeCloseUp = 7;  // centre at the close-up scale
constexpr int32_t kShowModeStay = 10;    // never move the view
constexpr int32_t kShowModeFit = 0;

// List modes.
constexpr int32_t kShowListClear = 0;
constexpr int32_t kShowListAppend = 1;
constexpr int32_t kShowListRefresh = 2;
constexpr int32_t kShowListReplace = 3;

// The scale of show mode 7 is this setting's value.
constexpr const char* kCloseUpScaleSetting = "4500";
// The margin of the fit, in pixels of the resulting view.
constexpr int32_t kShowFitMarginPixels = 10;

// What showing asks of the window: flash one object.
struct ShowOnMapHooks {
  std::function<void(const ObjectRef& object)> flash;
};
void SetShowOnMapHooks(ShowOnMapHooks hooks);

// Updates the show list from object (one reference) or list (several; only with list mode 1)
// and shows what it holds. skipHiddenOverlays: entries whose overlay is hidden or whose map is
// not in use are marked -2 and skipped instead of being made visible. 0, or -1 after reporting
// the programmer error of a list with another list mode.
int32_t ShowOnMap(const ObjectRef* object, const std::vector<ObjectRef>* list, int32_t action,
                  int32_t showMode, int32_t listMode, bool skipHiddenOverlays = false);

// The collection window's "Show All on Map": every collection entry in map, overlay and position
// order, aliases through the objects they stand for, with action 8, mode 5 and list mode 1.
int32_t ShowAllCollectedObjects();

// The show list and the show point of its first object.
const std::vector<ObjectRef>& ShowList();
WPoint ShowPoint();
// The object moved: the show list follows it.
void RenameShownObject(const ObjectRef& from, const ObjectRef& to);

void ResetShowOnMapForTesting();

}  // namespace tlv
