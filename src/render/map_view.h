// The one view of the world shown in the map area: a scale and the world position of the map
// area's top-left corner. Every change goes through the operations here, which keep the scale in
// range and the view's centre inside the world, keep the Click Point inside the view and then
// run the after-change steps (reference view, view-dependent displays, layout and redraw) through
// hooks that the shell fills in.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/memory.h"
#include "base/world_types.h"
#include "geometry/screen.h"

namespace tlv {

constexpr int32_t kMinScale = 500;
constexpr int32_t kMaxScale = 262144000;
// The bar along the top, the status line along the bottom and the tool palette along the left
// side each take this many pixels of the main window's client area.
constexpr int32_t kWindowBarSize = 40;
// The map area used while the main window is hidden.
constexpr ScreenRect kDefaultMapArea{kWindowBarSize, kWindowBarSize, 680, 520};

struct MapView {
  int32_t scale = 1000000;  // 1:scale
  int32_t left = 0;         // world x of the map area's left edge
  int32_t top = 180000000;  // world y of the map area's top edge
};

enum ScaleDisplayMode : int16_t {
  kScaleAsRatio = 0,
  kScaleAsPaperUnit = 1,
  kScaleAsWindowWidth = 2,
};

enum class ZoomDirection { kIn, kOut };
enum class ScrollDirection { kLeft, kRight, kUp, kDown };

struct MapViewHooks {
  std::function<void()> updateReferenceView;
  std::function<void()> refreshViewDisplays;
  std::function<void()> layoutAndRedraw;
};

// Back to the start-up state: default view, default map area, 96 pixels per inch, Click Point at
// the world's centre, no Marked Point, ratio display, no hooks.
void ResetMapView();
void SetMapViewHooks(MapViewHooks hooks);

const MapView& CurrentMapView();
int32_t ClampScale(int64_t scale);

// The map area in client pixels; the shell sets it on every size change (and leaves it alone
// while the window is minimised).
void SetMapArea(const ScreenRect& area);
const ScreenRect& MapArea();
// The map area of a client area of the given size, after the three 40-pixel bars.
ScreenRect MapAreaForClient(int32_t clientWidth, int32_t clientHeight);
bool MapAreaEmpty();

// The screen's horizontal logical resolution, from which k (world units per pixel at 1:1) comes.
void SetScreenPixelsPerInch(double pixelsPerInch);
double ScreenPixelsPerInch();
double ViewScaleFactorK();
// World units per pixel at the current scale (k x scale).
double ViewUnitsPerPixel();

// The four sides of r grown by marginPixels of the current view on every side (WRectSegments).
int32_t ViewWRectSegments(const WRect& r, int32_t marginPixels, Handle& segments);

// The world rectangle the view shows, and the same for any view and map area.
WRect ViewWorldRect();
WRect ViewWorldRectFor(const MapView& view, const ScreenRect& area, double k);
// The mapping of the map area that the coordinate conversions use.
ViewMapping CurrentViewMapping();

void SetView(int32_t scale, int32_t left, int32_t top);
void CentreViewOn(int32_t scale, int32_t x, int32_t y);
void SetScaleKeepCentre(int32_t scale);
void CentreOnClickPoint();
// Shows r grown by marginWorld on every side. Returns -1 (view unchanged) for an inverted
// rectangle.
int32_t FitWorldRect(const WRect& r, int32_t marginWorld = 0);
void ZoomAtClick(ScreenPoint click, ZoomDirection direction);
void ScrollHalfWindow(ScrollDirection direction);
void ConstrainView();

// The scale text in the given display mode; widthApplies false turns mode 2 into mode 1 (for
// places that show no window).
std::string FormatScale(int32_t scale, int16_t mode, bool widthApplies = true);
std::string FormatScale(int32_t scale);
// The scale for a number the user typed in the given display mode; -1 when the number cannot
// give one (not finite, or no window width).
int32_t ParseScale(double value, int16_t mode, int32_t& scale);
int32_t ParseScale(double value, int32_t& scale);

void SetScaleDisplayModeSetting(int16_t mode);
int16_t ScaleDisplayModeSetting();

WPoint ClickPoint();
// Set by other programs; clamped into the world.
void SetClickPoint(WPoint p);
// Set by a click in the map area.
void SetClickPointFromScreen(ScreenPoint click);

bool MarkedPointSet();
WPoint MarkedPoint();
void SetMarkedPoint(WPoint p);
void ClearMarkedPoint();
// "Marked Point" and its latitude and longitude in the current coordinate format; empty when no
// point is marked.
std::string MarkedPointStatusText();

// The measuring tool's readout: "distance", the great-circle distance and the current unit.
std::string DistanceReadout(WPoint a, WPoint b);

}  // namespace tlv
