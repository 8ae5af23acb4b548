#include "app/reference_views.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/preferences.h"
#include "base/dib_file.h"
#include "base/errors.h"
#include "geometry/wrect.h"
#include "render/map_view.h"
#include "render/reference_view.h"

namespace tlv {

namespace {

constexpr int32_t kChosenGrowthPixels = 2;

struct State {
  ViewRecord inUse;
  bool inUseSet = false;
  // The thumbnail of the view in use, read once; failed remembers a said failure.
  std::string thumbnailOf;
  DibImage thumbnail;
  bool failed = false;
  int32_t markerPhase = 0;
};
State state;

std::string FileKey(const ViewRecord& view) {
  return std::to_string(view.folderID) + "/" +
         std::string(view.fileName, strnlen(view.fileName, sizeof view.fileName));
}

bool InsetShown() {
  return GetPref(Pref::kShowReferenceView) != 0;
}

}  // namespace

const ViewRecord& ReferenceViewInUse() {
  if (!state.inUseSet) {
    state.inUse = ReferenceView();
    state.inUseSet = true;
  }
  return state.inUse;
}

void ChooseReferenceView(const ViewRecord& view) {
  SetReferenceView(view);
  state.inUse = view;
  state.inUseSet = true;
}

void UpdateReferenceView() {
  if (!InsetShown() || GetPref(Pref::kAllowAnyViewInReference) != 0) return;
  const ViewRecord chosen = ReferenceView();
  if (chosen.scale < 0) return;
  const WRect current = ViewWorldRect();
  const ViewRecord& inUse = ReferenceViewInUse();
  const auto grow = static_cast<int32_t>(kChosenGrowthPixels * ViewUnitsPerPixel());
  const WRect grown{chosen.rect.x1 - grow, chosen.rect.y1 - grow, chosen.rect.x2 + grow,
                    chosen.rect.y2 + grow};
  if (!SameViewByFile(inUse, chosen) && WRectInWRect(current, grown)) {
    state.inUse = chosen;
    return;
  }
  if (inUse.scale >= 0 && WRectInWRect(current, inUse.rect)) return;
  std::vector<ViewRecord> views;
  std::vector<WRect> rects;
  ForEachViewFile([&](const ViewRecord& view) {
    views.push_back(view);
    rects.push_back(view.rect);
    return 0;
  });
  const int32_t best = SmallestContaining(rects, current);
  if (best >= 0) state.inUse = views[static_cast<size_t>(best)];
}

namespace {

// The thumbnail of the view in use, read when the view in use changed; false when there is no
// inset to draw (a failure is said once per view).
bool InsetThumbnail(const ViewRecord*& shown) {
  if (!InsetShown()) return false;
  const ViewRecord& view = ReferenceViewInUse();
  if (view.scale < 0) return false;
  const std::string key = FileKey(view);
  if (key != state.thumbnailOf) {
    state.thumbnailOf = key;
    state.thumbnail = DibImage();
    state.failed = false;
    std::string packed;
    const int32_t err = ReadViewThumbnail(view, packed);
    if (err != 0 || DecodeDib(packed, state.thumbnail) != 0) {
      state.failed = true;
      state.thumbnail = DibImage();
      ShowAlert(err != 0 ? "View bitmap file not found." : "Unable to read view bitmap file.",
                kStopAlert);
    }
  }
  shown = &view;
  return !state.failed;
}

}  // namespace

void DrawReferenceViewInset(DrawPort& port, const ViewMapping& mapping) {
  const ViewRecord* view = nullptr;
  if (!InsetThumbnail(view)) return;
  DrawReferenceInset(port, mapping.screen, state.thumbnail.width, state.thumbnail.height,
                     state.thumbnail.argb, view->rect, mapping.world, state.markerPhase);
}

bool ReferenceInsetDrawn() {
  const ViewRecord* view = nullptr;
  return InsetThumbnail(view);
}

void StepReferenceMarkerPhase() {
  state.markerPhase = (state.markerPhase + 1) % kMarkerPhases;
}

bool ReferenceInsetLayoutFor(DeviceKind kind, double pixelsPerInch, const ViewMapping& mapping,
                             ReferenceInsetLayout& layout) {
  const ViewRecord* view = nullptr;
  if (!InsetThumbnail(view) || state.thumbnail.width <= 0 || state.thumbnail.height <= 0) {
    return false;
  }
  layout = LayoutReferenceInset(mapping.screen, kind, pixelsPerInch, state.thumbnail.width,
                                state.thumbnail.height, view->rect, mapping.world);
  return true;
}

void ResetReferenceViewsForTesting() {
  state = State();
}

}  // namespace tlv
