#include "render/map_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "base/errors.h"
#include "base/platform.h"
#include "geometry/coordinates.h"
#include "geometry/distance.h"
#include "geometry/geo_settings.h"
#include "geometry/segments.h"
#include "geometry/wrect.h"

namespace tlv {

namespace {

// Views wider or taller than this are held here so that edges never overflow 32 bits.
constexpr double kMaxViewSpan = 2000000000.0;
// Zooming out stops once the view is this wide or this tall.
constexpr int64_t kZoomOutMaxWidth = 1000000000;
constexpr int64_t kZoomOutMaxHeight = 1000000001;

struct ViewState {
  MapView view;
  ScreenRect mapArea = kDefaultMapArea;
  double pixelsPerInch = kDefaultPixelsPerInch;
  double k = ScaleFactorK(kDefaultPixelsPerInch);
  WPoint clickPoint{kWorldOffsetX, kWorldOffsetY};
  WPoint markedPoint{kWorldOffsetX, kWorldOffsetY};
  bool markedPointSet = false;
  int16_t scaleDisplayMode = kScaleAsRatio;
  MapViewHooks hooks;
};

ViewState gState;

int32_t AreaWidth(const ScreenRect& a) {
  return a.right - a.left;
}
int32_t AreaHeight(const ScreenRect& a) {
  return a.bottom - a.top;
}

int32_t RoundSpan(double v) {
  if (!(v > 0)) return 0;
  return static_cast<int32_t>(std::min(std::floor(v + 0.5), kMaxViewSpan));
}

int32_t ViewHeightAt(int32_t scale, const ScreenRect& area, double k) {
  return RoundSpan(k * AreaHeight(area) * scale);
}

// The width depends on the cosine of the view's middle latitude, so that a pixel covers the same
// ground across as down.
int32_t ViewWidthAt(int32_t scale, const ScreenRect& area, double k, int32_t middleY) {
  return RoundSpan(k * AreaWidth(area) * scale / CosineOfWorldLatitude(middleY));
}

void UpdateClickPoint() {
  const WRect r = ViewWorldRect();
  if (!WPointInWRect(gState.clickPoint, r)) gState.clickPoint = WRectCentre(r);
}

void RunAfterChangeSteps() {
  UpdateClickPoint();
  // Copies, so that a hook that replaces the hooks cannot pull the function from under itself.
  const MapViewHooks hooks = gState.hooks;
  if (hooks.updateReferenceView) hooks.updateReferenceView();
  if (hooks.refreshViewDisplays) hooks.refreshViewDisplays();
  if (hooks.layoutAndRedraw) hooks.layoutAndRedraw();
}

std::string FormatNumber(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// Ground length shown by one pixel width of the map area, in paper units of the unit.
double PixelsPerPaperUnit(int16_t unit) {
  return IsMetricUnit(unit) ? gState.pixelsPerInch / kCentimetresPerInch : gState.pixelsPerInch;
}

}  // namespace

void ResetMapView() {
  gState = ViewState{};
}

void SetMapViewHooks(MapViewHooks hooks) {
  gState.hooks = std::move(hooks);
}

const MapView& CurrentMapView() {
  return gState.view;
}

int32_t ClampScale(int64_t scale) {
  return static_cast<int32_t>(std::clamp<int64_t>(scale, kMinScale, kMaxScale));
}

void SetMapArea(const ScreenRect& area) {
  gState.mapArea = area;
}

const ScreenRect& MapArea() {
  return gState.mapArea;
}

ScreenRect MapAreaForClient(int32_t clientWidth, int32_t clientHeight) {
  ScreenRect area{kWindowBarSize, kWindowBarSize, clientWidth, clientHeight - kWindowBarSize};
  area.right = std::max(area.right, area.left);
  area.bottom = std::max(area.bottom, area.top);
  return area;
}

bool MapAreaEmpty() {
  return AreaWidth(gState.mapArea) <= 0 || AreaHeight(gState.mapArea) <= 0;
}

void SetScreenPixelsPerInch(double pixelsPerInch) {
  if (!(pixelsPerInch > 0) || !std::isfinite(pixelsPerInch)) pixelsPerInch = kDefaultPixelsPerInch;
  gState.pixelsPerInch = pixelsPerInch;
  gState.k = ScaleFactorK(pixelsPerInch);
}

double ScreenPixelsPerInch() {
  return gState.pixelsPerInch;
}

double ViewScaleFactorK() {
  return gState.k;
}

double ViewUnitsPerPixel() {
  return gState.k * gState.view.scale;
}

int32_t ViewWRectSegments(const WRect& r, int32_t marginPixels, Handle& segments) {
  const double margin = std::floor(marginPixels * ViewUnitsPerPixel() + 0.5);
  return WRectSegments(r, static_cast<int32_t>(std::clamp(margin, -1e9, 1e9)), segments);
}

WRect ViewWorldRectFor(const MapView& view, const ScreenRect& area, double k) {
  WRect r;
  r.y2 = view.top;
  r.y1 = SaturateToInt32(int64_t{view.top} - ViewHeightAt(view.scale, area, k));
  const int32_t middle = static_cast<int32_t>((int64_t{r.y1} + r.y2) / 2);
  r.x1 = view.left;
  r.x2 = SaturateToInt32(int64_t{view.left} + ViewWidthAt(view.scale, area, k, middle));
  return r;
}

WRect ViewWorldRect() {
  return ViewWorldRectFor(gState.view, gState.mapArea, gState.k);
}

ViewMapping CurrentViewMapping() {
  return ViewMapping{ViewWorldRect(), gState.mapArea};
}

void SetView(int32_t scale, int32_t left, int32_t top) {
  scale = ClampScale(scale);
  if (MapAreaEmpty()) return;
  MapView v{scale, left, top};
  // Latitude first: the width of the view depends on where it lies north and south.
  WRect r = ViewWorldRectFor(v, gState.mapArea, gState.k);
  const int64_t centreY = (int64_t{r.y1} + r.y2) / 2;
  if (centreY < 0) v.top = SaturateToInt32(int64_t{v.top} - centreY);
  if (centreY > kWorldMaxY) v.top = SaturateToInt32(int64_t{v.top} - (centreY - kWorldMaxY));
  r = ViewWorldRectFor(v, gState.mapArea, gState.k);
  const int64_t centreX = (int64_t{r.x1} + r.x2) / 2;
  if (centreX < 0) v.left = SaturateToInt32(int64_t{v.left} - centreX);
  if (centreX > kWorldMaxX) v.left = SaturateToInt32(int64_t{v.left} - (centreX - kWorldMaxX));
  gState.view = v;
  RunAfterChangeSteps();
}

void CentreViewOn(int32_t scale, int32_t x, int32_t y) {
  scale = ClampScale(scale);
  if (MapAreaEmpty()) return;
  const int32_t height = ViewHeightAt(scale, gState.mapArea, gState.k);
  const int32_t width = ViewWidthAt(scale, gState.mapArea, gState.k, y);
  SetView(scale, SaturateToInt32(int64_t{x} - width / 2), SaturateToInt32(int64_t{y} + height / 2));
}

void SetScaleKeepCentre(int32_t scale) {
  const WPoint c = WRectCentre(ViewWorldRect());
  CentreViewOn(scale, c.x, c.y);
}

void CentreOnClickPoint() {
  CentreViewOn(gState.view.scale, gState.clickPoint.x, gState.clickPoint.y);
}

int32_t FitWorldRect(const WRect& rect, int32_t marginWorld) {
  if (WRectIsInverted(rect)) return kErrGeneral;
  if (MapAreaEmpty()) return 0;
  const WRect r = OutsetWRect(rect, marginWorld, marginWorld);
  const WPoint centre = WRectCentre(r);
  const double k = gState.k;
  const double byHeight =
      std::floor((static_cast<double>(r.y2) - r.y1) / (k * AreaHeight(gState.mapArea)) + 0.5);
  // A rectangle wider than the map area's shape would not be shown whole by its height alone.
  const double byWidth =
      std::floor((static_cast<double>(r.x2) - r.x1) * CosineOfWorldLatitude(centre.y) /
                     (k * AreaWidth(gState.mapArea)) +
                 0.5);
  const double wanted = std::max(byHeight, byWidth);
  const int32_t scale = ClampScale(static_cast<int64_t>(std::min(wanted, 1e12)));
  if (wanted < kMinScale || wanted > kMaxScale || byWidth > byHeight) {
    // Centred: the view's extent differs from the rectangle's on at least one axis.
    CentreViewOn(scale, centre.x, centre.y);
  } else {
    SetView(scale, r.x1, r.y2);
  }
  return 0;
}

void ZoomAtClick(ScreenPoint click, ZoomDirection direction) {
  const WPoint p = ClampMousePoint(ScreenToWorldPoint(CurrentViewMapping(), click));
  const int32_t oldScale = gState.view.scale;
  if (direction == ZoomDirection::kOut) {
    const WRect r = ViewWorldRect();
    if (int64_t{r.x2} - r.x1 > kZoomOutMaxWidth || int64_t{r.y2} - r.y1 >= kZoomOutMaxHeight) {
      Platform().Beep();
      return;
    }
  }
  const int64_t newScale =
      direction == ZoomDirection::kOut ? int64_t{oldScale} * 2 : int64_t{oldScale} / 2;
  CentreViewOn(ClampScale(newScale), p.x, p.y);
  if (std::llabs(int64_t{gState.view.scale} - oldScale) <= 2) Platform().Beep();
}

void ScrollHalfWindow(ScrollDirection direction) {
  const WRect r = ViewWorldRect();
  const int32_t halfWidth = static_cast<int32_t>((int64_t{r.x2} - r.x1) / 2);
  const int32_t halfHeight = static_cast<int32_t>((int64_t{r.y2} - r.y1) / 2);
  MapView v = gState.view;
  switch (direction) {
    case ScrollDirection::kLeft:
      v.left = SaturateToInt32(int64_t{v.left} - halfWidth);
      break;
    case ScrollDirection::kRight:
      v.left = SaturateToInt32(int64_t{v.left} + halfWidth);
      break;
    case ScrollDirection::kUp:
      v.top = SaturateToInt32(int64_t{v.top} + halfHeight);
      break;
    case ScrollDirection::kDown:
      v.top = SaturateToInt32(int64_t{v.top} - halfHeight);
      break;
  }
  SetView(v.scale, v.left, v.top);
}

void ConstrainView() {
  if (MapAreaEmpty()) return;
  MapView& v = gState.view;
  WRect r = ViewWorldRect();
  // A view that has left the world through its far edges comes back to touch them.
  if (r.y2 <= 0) v.top = ViewHeightAt(v.scale, gState.mapArea, gState.k);
  v.top = std::min(v.top, kWorldMaxY);
  r = ViewWorldRect();
  if (r.x1 >= kWorldMaxX) v.left = SaturateToInt32(int64_t{kWorldMaxX} - (int64_t{r.x2} - r.x1));
  v.left = std::max(v.left, 0);
  RunAfterChangeSteps();
}

std::string FormatScale(int32_t scale, int16_t mode, bool widthApplies) {
  const int16_t unit = CurrentGeometrySettings().distanceUnit;
  std::string text;
  if (mode == kScaleAsWindowWidth && widthApplies) {
    const double width =
        scale * UnitsInPaperUnit(unit) * AreaWidth(gState.mapArea) / PixelsPerPaperUnit(unit);
    text = FormatNumber(IsSmallUnit(unit) ? "%.0f" : "%.2f", width) + " " + DistanceUnitName(unit);
  } else if (mode == kScaleAsPaperUnit || mode == kScaleAsWindowWidth) {
    std::string length =
        FormatNumber(IsSmallUnit(unit) ? "%.0f" : "%.2f", scale * UnitsInPaperUnit(unit));
    if (length.size() >= 7) {
      const size_t point = length.find('.');
      if (point != std::string::npos) length.erase(point);
    }
    text =
        "1 " + PaperUnitAbbreviation(unit) + " = " + length + " " + DistanceUnitAbbreviation(unit);
  } else {
    text = FormatText("1:%ld", long{scale});
  }
  if (!text.empty() && text[0] == '-') text.clear();
  return text;
}

std::string FormatScale(int32_t scale) {
  return FormatScale(scale, gState.scaleDisplayMode);
}

int32_t ParseScale(double value, int16_t mode, int32_t& scale) {
  const int16_t unit = CurrentGeometrySettings().distanceUnit;
  double divisor = 1;
  if (mode == kScaleAsPaperUnit) {
    divisor = UnitsInPaperUnit(unit);
  } else if (mode == kScaleAsWindowWidth) {
    divisor = UnitsInPaperUnit(unit) * AreaWidth(gState.mapArea) / PixelsPerPaperUnit(unit);
  }
  const double s = std::floor(value / divisor + 0.5);
  if (!std::isfinite(s)) return kErrGeneral;
  scale = static_cast<int32_t>(std::clamp(s, -2147483648.0, 2147483647.0));
  return 0;
}

int32_t ParseScale(double value, int32_t& scale) {
  return ParseScale(value, gState.scaleDisplayMode, scale);
}

void SetScaleDisplayModeSetting(int16_t mode) {
  gState.scaleDisplayMode = mode;
}

int16_t ScaleDisplayModeSetting() {
  return gState.scaleDisplayMode;
}

WPoint ClickPoint() {
  return gState.clickPoint;
}

void SetClickPoint(WPoint p) {
  gState.clickPoint = WPoint{std::clamp(p.x, 0, kWorldMaxX), std::clamp(p.y, 0, kWorldMaxY)};
}

void SetClickPointFromScreen(ScreenPoint click) {
  gState.clickPoint = ClampMousePoint(ScreenToWorldPoint(CurrentViewMapping(), click));
}

bool MarkedPointSet() {
  return gState.markedPointSet;
}

WPoint MarkedPoint() {
  return gState.markedPoint;
}

void SetMarkedPoint(WPoint p) {
  gState.markedPoint = WPoint{std::clamp(p.x, 0, kWorldMaxX), std::clamp(p.y, 0, kWorldMaxY)};
  gState.markedPointSet = true;
}

void ClearMarkedPoint() {
  gState.markedPointSet = false;
}

std::string MarkedPointStatusText() {
  if (!gState.markedPointSet) return std::string();
  std::string lat, lon;
  FormatLatLong(gState.markedPoint, lat, lon);
  return "Marked Point " + lat + " " + lon;
}

std::string DistanceReadout(WPoint a, WPoint b) {
  const int16_t unit = CurrentGeometrySettings().distanceUnit;
  return FormatText("distance %.2f %s", GreatCircleDistance(a, b, unit),
                    DistanceUnitName(unit).c_str());
}

}  // namespace tlv
