// The drawing pass: the basemap and grid at their places, every shown overlay of every map in use
// object by object, deferred labels, progress in the message line, and interruption by a waiting
// key or click, which leaves the picture marked incomplete and remembers where it stopped.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "render/draw_object.h"
#include "render/draw_port.h"
#include "render/map_view.h"
#include "store/store_records.h"

namespace tlv {

// DrawMap's result when a key or click stopped it.
constexpr int32_t kDrawInterrupted = 1;
// Shown in bold in place of the status line's text while the picture is incomplete.
constexpr const char* kDrawIncompleteText = "  [DRAW INCOMPLETE] ";
constexpr int32_t kThematicSlotCount = 20;
constexpr int32_t kThematicRecordSize = 26;
constexpr int32_t kThematicCodeOffset = 20;
constexpr int32_t kThematicCodeLength = 5;

// What other parts of the program add to the pass; each member may be empty.
struct DrawMapHooks {
  // The basemap, drawn first on every pass while it is switched on; a failure is ignored.
  std::function<bool()> basemapOn;
  std::function<int32_t(DrawPort& port, const ViewMapping& mapping)> drawBasemap;
  // The latitude/longitude grid, under the overlays or over them.
  std::function<bool()> gridOn;
  std::function<bool()> gridUnderOverlays;
  std::function<void(DrawPort& port, const ViewMapping& mapping)> drawGrid;
  // The decorations floating over the map (the scale bar), drawn last on every pass that
  // finishes, at the pass's scale.
  std::function<void(DrawPort& port, const ViewMapping& mapping, int32_t scale)> drawDecorations;
  // The show-only-collection option: objects of overlays with entries in the search collection
  // are drawn only when they are in it.
  std::function<bool()> showOnlyCollection;
  std::function<bool(int32_t mapID, int32_t overlayID)> overlayInCollection;
  std::function<bool(int32_t mapID, int32_t overlayID, int32_t position)> objectInCollection;
  // The thematic number of an overlay on a map: n > 0 reads "n.TDO", n < 0 uses slot -n.
  std::function<int32_t(int32_t mapID, int32_t overlayID)> thematicNumber;
  // The folder of the ".TDO" files; the map's folder when empty.
  std::function<std::string(int32_t mapID)> thematicFolder;
};
void SetDrawMapHooks(DrawMapHooks hooks);
const DrawMapHooks& CurrentDrawMapHooks();

struct DrawMapRequest {
  DrawOptions options;
  bool printerFont = false;
  bool fatLines = false;  // USEMACSTYLEFATLINESINWINDOWS
  // Polled before each object; empty: the platform's Escape check.
  InterruptCheck interrupted;
  // The world rectangle the area shows, instead of the one the view's scale gives it. Pages of a
  // print share one mapping this way, so a line leaving one page goes on at the same place on
  // the next.
  std::optional<WRect> world;
  // The decorations (scale bar, legend, time stamp, inset) after the objects. Printed pages draw
  // them once for the whole printed image instead of for each page's tile, and the window lays
  // them over its kept pass itself, so moving or switching a decoration needs no new pass.
  bool decorations = true;
};

// Draws the view into the area of the port. Returns 0, or kDrawInterrupted.
int32_t DrawMap(DrawPort& port, const MapView& view, const ScreenRect& area,
                const DrawMapRequest& request);

// The decorations step a finished pass ends with, alone, over the view drawn into the area.
void DrawMapDecorationsOver(DrawPort& port, const MapView& view, const ScreenRect& area);

// Whether the last pass was interrupted, and where it stopped.
bool DrawIncomplete();
void DrawStopPoint(int32_t& mapID, int32_t& overlayID, int32_t& position);
// Forgets the stop point (the next pass of the same view draws everything).
void ClearDrawStopPoint();

// The window of the object file during a pass: max(1000, min(1000000, records / 6)) x 10,
// rounded down to a multiple of 16.
int32_t DrawReadBufferSize(int64_t summaryRecords);

// -1 (reported) when an ID does not resolve, 1 when the overlay is hidden, 0 when ready.
int32_t PrepareLayerDrawGlobals(DrawPass& pass, int32_t scale, int32_t mapID, int32_t overlayID);
// Draws one overlay file; kDrawStopped when interrupted.
int32_t DrawOverlayFile(DrawPass& pass, int32_t scale, const OverlayFileRecord& entry);

// Draws (or, drawn again, erases) one object in NOT-XOR for highlight and drag feedback.
int32_t DrawSingleObject(DrawPort& port, const MapView& view, const ScreenRect& area, int32_t mapID,
                         int32_t overlayID, int32_t position);

// Queues a label of the pass that is running (up to 20; text cut to 50 characters).
void QueueDeferredLabel(const std::string& text, WPoint point, int16_t colourIndex);

// The in-memory thematic slots 1 to 20: points in summary-record order and parallel 26-byte
// records whose bytes 20 to 24 hold the code.
int32_t SetThematicSlot(int32_t slot, std::vector<WPoint> points,
                        std::vector<std::array<char, kThematicRecordSize>> records);
void ClearThematicSlots();

// A text object's rectangle: its lines at size 12 in its font, measured on the port and turned
// into world units at the current view, from the given rectangle's top-left corner.
bool ComputeTextObjectRect(DrawPort& port, const std::string& text, const ObjectGraphics& graphics,
                           const WRect& given, WRect& computed);

// The port text objects are measured on (the screen's fonts); without one a text object keeps
// the rectangle it is given.
void SetTextMetricsPort(std::function<DrawPort*()> metricsPort);
// A text object's rectangle measured on the metrics port; false without a port.
bool MeasureTextObjectRect(const std::string& text, const ObjectGraphics& graphics,
                           const WRect& given, WRect& computed);
// Whether a changed area of the map shows in the current view.
bool ChangeMeetsView(const WRect& changed);
// Steps of the idle count-down after an object changed inside the view.
constexpr int32_t kRedrawCountdownSteps = 2;

void ResetDrawMapForTesting();

}  // namespace tlv
