#include "render/draw_map.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <unordered_map>
#include <utility>

#include "base/errors.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/stop_check.h"
#include "catalogue/display_settings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/life_cycle.h"
#include "geometry/wrect.h"
#include "render/graphics_tables.h"
#include "store/summary.h"

namespace tlv {
namespace {

constexpr const char* kProgressPrefix = "Drawing overlay: ";
constexpr uint32_t kProgressTicks = 60;  // once a second
constexpr int32_t kProgressBlankSpaces = 8;
constexpr int32_t kProgressCheckMask = 255;

struct ThematicSlot {
  std::vector<WPoint> points;
  std::vector<std::array<char, kThematicRecordSize>> records;
};

struct DrawMapState {
  DrawMapHooks hooks;
  bool incomplete = false;
  bool haveStop = false;
  int32_t stopMapID = 0;
  int32_t stopOverlayID = 0;
  int32_t stopPosition = -1;
  MapView stopView;
  ScreenRect stopArea;
  DrawPass* running = nullptr;
  uint32_t lastProgressTick = 0;
  bool progressShown = false;
  ThematicSlot slots[kThematicSlotCount];
  std::function<DrawPort*()> metricsPort;
};

// The entries of a thematic slot by location. The walk skips index blocks away from the view,
// so the objects it meets are not the slot's list in order: each object takes the next unused
// entry at its own location (objects sharing a location take that location's entries in turn).
class SlotLookup {
 public:
  void Build(const std::vector<WPoint>& points) {
    entries_.clear();
    for (size_t i = 0; i < points.size(); ++i) entries_[Key(points[i].x, points[i].y)].push_back(i);
    taken_.clear();
  }
  bool Take(int32_t x, int32_t y, size_t& entry) {
    const auto found = entries_.find(Key(x, y));
    if (found == entries_.end()) return false;
    size_t& taken = taken_[found->first];
    if (taken >= found->second.size()) return false;
    entry = found->second[taken++];
    return true;
  }

 private:
  static uint64_t Key(int32_t x, int32_t y) {
    return static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32 | static_cast<uint32_t>(y);
  }
  std::unordered_map<uint64_t, std::vector<size_t>> entries_;
  std::unordered_map<uint64_t, size_t> taken_;
};

DrawMapState& State() {
  static DrawMapState state;
  return state;
}

bool SameView(const MapView& a, const MapView& b) {
  return a.scale == b.scale && a.left == b.left && a.top == b.top;
}

void ShowProgress(const std::string& overlayName, const std::string& mapName, int64_t done,
                  int64_t total, bool force) {
  DrawMapState& s = State();
  const uint32_t now = Platform().TickCount();
  if (!force && s.progressShown && now - s.lastProgressTick < kProgressTicks) return;
  s.lastProgressTick = now;
  s.progressShown = true;
  const int64_t percent = total > 0 ? done * 100 / total : 0;
  std::string text = kProgressPrefix + overlayName + ", " + mapName + " ";
  if (percent < 1) {
    text += std::string(kProgressBlankSpaces, ' ');
  } else {
    text += "(" + std::to_string(percent) + " %).";
  }
  Platform().SetMessageLine(text);
}

void DrawDeferredLabels(DrawPass& pass) {
  if (pass.deferred.empty()) return;
  DrawPort& port = *pass.port;
  port.SetFont(MakeDeferredLabelFont(port.Kind()));
  port.SetTextBackground(true, kWhiteColour);
  const FontMetrics m = port.GetFontMetrics();
  for (const DeferredLabel& label : pass.deferred) {
    const ScreenPoint at = pass.mapping.Map(label.point);
    port.SetTextColour(ColourOfIndex(label.colourIndex, kBlackColour));
    const int32_t width = port.TextWidth(label.text);
    port.DrawText(at.x - width / 2, at.y - (m.ascent + m.descent) / 2, label.text);
  }
  port.SetTextBackground(false, kWhiteColour);
  pass.deferred.clear();
}

bool ReadThematicFile(const std::string& folder, int32_t number, std::string& codes) {
  std::string path = WithTrailingSlash(folder) + std::to_string(number) + ".TDO";
  std::string resolved;
  if (ResolvePath(path, resolved) == 0) path = resolved;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  codes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

void SetDrawMapHooks(DrawMapHooks hooks) {
  State().hooks = std::move(hooks);
}

const DrawMapHooks& CurrentDrawMapHooks() {
  return State().hooks;
}

bool DrawIncomplete() {
  return State().incomplete;
}

void DrawStopPoint(int32_t& mapID, int32_t& overlayID, int32_t& position) {
  const DrawMapState& s = State();
  mapID = s.haveStop ? s.stopMapID : 0;
  overlayID = s.haveStop ? s.stopOverlayID : 0;
  position = s.haveStop ? s.stopPosition : -1;
}

void ClearDrawStopPoint() {
  State().haveStop = false;
}

int32_t DrawReadBufferSize(int64_t summaryRecords) {
  const int64_t records = std::max<int64_t>(1000, std::min<int64_t>(1000000, summaryRecords / 6));
  return static_cast<int32_t>((records * 10) / 16 * 16);
}

int32_t PrepareLayerDrawGlobals(DrawPass& pass, int32_t scale, int32_t mapID, int32_t overlayID) {
  const int32_t layerIndex = LayerIDToIndex(overlayID);
  if (layerIndex < 0) {
    ReportError("PrepareLayerDrawGlobals()", "LayerIDToIndex()", -1);
    return -1;
  }
  const int32_t mapIndex = MapIDToIndex(mapID);
  if (mapIndex < 0) {
    ReportError("PrepareLayerDrawGlobals()", "MapIDToIndex()", -1);
    return -1;
  }
  LayerRecord layer;
  MapRecord map;
  if (!GetLayerRecord(layerIndex, layer) || !GetMapRecord(mapIndex, map)) return -1;
  if (!LayerShownAtScale(layer, scale)) return 1;
  LayerDrawState& state = pass.layer;
  state = LayerDrawState{};
  state.mapID = mapID;
  state.overlayID = overlayID;
  state.labels = !pass.singleObject && LayerNamesShownAtScale(layer, scale);
  state.dots = LayerDotsAtScale(layer, scale);
  state.graphicsOverride = layer.graphicsOverride != 0;
  ObjectGraphics& g = state.defaults;
  g.symbol = layer.graphics[0];
  g.colour = layer.graphics[1];
  g.variant = layer.graphics[2];
  g.lineType = layer.graphics[3];
  g.fillPattern = layer.graphics[4];
  g.textValue = layer.graphics[5];
  g.textFlag = layer.graphics[6];
  g.textCode = layer.graphics[7];
  state.overlayColour = {layer.thematic[0], layer.thematic[1], layer.thematic[2]};
  const int32_t fileIndex = OverlayFileIndexForID(mapIndex, overlayID);
  OverlayFileRecord entry;
  if (fileIndex >= 0 && GetOverlayFileRecord(mapIndex, fileIndex, entry)) {
    state.overlayRect = {entry.bounds.x1 - kOverlayRectMargin, entry.bounds.y1 - kOverlayRectMargin,
                         entry.bounds.x2 + kOverlayRectMargin,
                         entry.bounds.y2 + kOverlayRectMargin};
  } else {
    state.overlayRect = {0, 0, 360000000, 180000000};
  }
  state.mapFolder = MapFolderPath(map);
  return 0;
}

int32_t DrawOverlayFile(DrawPass& pass, int32_t scale, const OverlayFileRecord& entry) {
  if (!WRectPlaced(entry.bounds) || !WRectsOverlap(entry.bounds, pass.view)) return 0;
  const int32_t prepared = PrepareLayerDrawGlobals(pass, scale, entry.mapID, entry.overlayID);
  if (prepared != 0) return 0;
  DrawMapState& s = State();
  const DrawMapHooks& hooks = s.hooks;

  // Thematic mapping: a code per summary record, from a file or from a slot.
  const int32_t thematic =
      hooks.thematicNumber ? hooks.thematicNumber(entry.mapID, entry.overlayID) : 0;
  std::string fileCodes;
  bool haveFileCodes = false;
  const ThematicSlot* slot = nullptr;
  SlotLookup slotLookup;
  if (thematic > 0) {
    const std::string folder =
        hooks.thematicFolder ? hooks.thematicFolder(entry.mapID) : pass.layer.mapFolder;
    haveFileCodes = ReadThematicFile(folder, thematic, fileCodes);
  } else if (thematic < 0 && thematic >= -kThematicSlotCount) {
    slot = &s.slots[-thematic - 1];
    slotLookup.Build(slot->points);
  }

  const bool onlyCollection = hooks.showOnlyCollection && hooks.showOnlyCollection() &&
                              hooks.overlayInCollection &&
                              hooks.overlayInCollection(entry.mapID, entry.overlayID);

  const int32_t mapIndex = MapIDToIndex(entry.mapID);
  MapRecord map;
  GetMapRecord(mapIndex, map);
  const std::string overlayName = LayerName(LayerIDToIndex(entry.overlayID));
  const std::string mapName = map.name;
  const int64_t total = entry.objectCount;
  ShowProgress(overlayName, mapName, 0, total, true);

  int32_t objectMapIndex = -1, objectFileIndex = -1;
  int32_t err = AllocateSpaceForFile(entry.mapID, entry.overlayID, kObjectFileKind,
                                     -DrawReadBufferSize(total), &objectMapIndex, &objectFileIndex);
  if (err != 0) return 0;
  BufferedFile& objects = CurrentObjectFile();

  const WRect search = pass.view;
  int32_t walkMapIndex = -1, walkFileIndex = -1;
  ThematicOverride override;
  err = ForEachSummaryRecord(
      entry.mapID, entry.overlayID,
      [&](const SummaryRecord& record, int32_t index) -> int32_t {
        pass.thematic = nullptr;
        // Deleted objects keep their records until compaction; nothing of them is drawn.
        if (!SummaryRecordLive(record)) return 0;
        if (slot != nullptr) {
          // A slot lists the objects to draw by location; all others are hidden.
          size_t slotEntry = 0;
          if (!slotLookup.Take(record.worldRect.x1, record.worldRect.y1, slotEntry)) return 0;
          char code[kThematicCodeLength] = {'X', 'X', 'X', 'X', 'X'};
          if (slotEntry < slot->records.size()) {
            std::copy_n(slot->records[slotEntry].data() + kThematicCodeOffset, kThematicCodeLength,
                        code);
          }
          override = DecodeThematicCode(code);
          if (override.hidden) return 0;
          pass.thematic = &override;
        } else if (haveFileCodes) {
          const size_t at = static_cast<size_t>(index) * kThematicCodeLength;
          if (at + kThematicCodeLength <= fileCodes.size()) {
            override = DecodeThematicCode(fileCodes.data() + at);
            if (override.hidden) return 0;
            pass.thematic = &override;
          }
        }
        if (!WRectPlaced(record.worldRect) || !WRectsOverlap(record.worldRect, pass.view)) return 0;
        if (onlyCollection && hooks.objectInCollection &&
            !hooks.objectInCollection(entry.mapID, entry.overlayID, record.position)) {
          return 0;
        }
        // The clock is asked now and then only; it costs more than drawing a dot.
        if ((index & kProgressCheckMask) == 0)
          ShowProgress(overlayName, mapName, index, total, false);
        const int32_t result = DrawObject(pass, objects, record.position);
        pass.thematic = nullptr;
        return result;
      },
      &walkMapIndex, &walkFileIndex, &search);
  DrawDeferredLabels(pass);
  // Only the stop check ends a pass: a read failure's -1 stops this overlay file alone.
  if (pass.stopped) return kDrawStopped;
  // A failed read stops this overlay file only; it was reported where it happened.
  return 0;
}

int32_t DrawMap(DrawPort& port, const MapView& view, const ScreenRect& area,
                const DrawMapRequest& request) {
  DrawMapState& s = State();
  DrawPass pass;
  pass.port = &port;
  pass.area = area;
  pass.options = request.options;
  pass.printerFont = request.printerFont;
  pass.fatLines = request.fatLines;
  // A waiting message that must not wait for the pass stops it whatever input check it uses.
  const LongOperationScope running;
  pass.interrupted = request.interrupted ? InterruptCheck([check = request.interrupted] {
    return check() || MessageStopRequested();
  })
                                         : InterruptCheck(LongOperationStopRequested);
  pass.view = request.world ? *request.world : ViewWorldRectFor(view, area, ViewScaleFactorK());
  pass.mapping.Setup(pass.view, area);
  pass.deferred.clear();
  // A pass of another view starts afresh; one of the same view stops where the last one did.
  if (s.haveStop && (!SameView(view, s.stopView) || !(area == s.stopArea))) s.haveStop = false;
  pass.haveEarlierStop = s.haveStop;
  pass.earlierStopMapID = s.stopMapID;
  pass.earlierStopOverlayID = s.stopOverlayID;
  pass.earlierStopPosition = s.stopPosition;

  auto interrupted = [&]() {
    s.incomplete = true;
    s.haveStop = true;
    s.stopMapID = pass.stopMapID;
    s.stopOverlayID = pass.stopOverlayID;
    s.stopPosition = pass.stopPosition;
    s.stopView = view;
    s.stopArea = area;
    return kDrawInterrupted;
  };
  if (pass.interrupted()) {
    pass.stopMapID = s.haveStop ? s.stopMapID : 0;
    pass.stopOverlayID = s.haveStop ? s.stopOverlayID : 0;
    pass.stopPosition = s.haveStop ? s.stopPosition : -1;
    return interrupted();
  }
  // The check is not asked again until objects are drawn.
  const ViewMapping mapping{pass.view, area};
  const DrawMapHooks& hooks = s.hooks;
  // The basemap lies under every pass, so a printed page and a saved picture show what the
  // window shows.
  if (hooks.basemapOn && hooks.drawBasemap && hooks.basemapOn()) {
    hooks.drawBasemap(port, mapping);
  }
  const bool grid = hooks.gridOn && hooks.drawGrid && hooks.gridOn();
  const bool gridUnder = grid && hooks.gridUnderOverlays && hooks.gridUnderOverlays();
  if (gridUnder) hooks.drawGrid(port, mapping);

  s.running = &pass;
  s.progressShown = false;
  BeginReadOnlyFiles();
  // Without an overlay catalogue the walk finds nothing to draw.
  ForEachOverlayFile(
      [&](OverlayFileRecord& entry) -> int32_t {
        DrawOverlayFile(pass, view.scale, entry);
        return pass.stopped ? kDrawStopped : 0;
      },
      kWalkForwards, true, false, true);
  EndReadOnlyFiles(CloseBufferedFiles);
  CloseBufferedFiles();
  s.running = nullptr;
  if (s.progressShown) Platform().SetMessageLine("");
  if (pass.stopped) return interrupted();
  if (grid && !gridUnder) hooks.drawGrid(port, mapping);
  if (request.decorations && hooks.drawDecorations) {
    hooks.drawDecorations(port, mapping, view.scale);
  }
  s.incomplete = false;
  s.haveStop = false;
  return 0;
}

void DrawMapDecorationsOver(DrawPort& port, const MapView& view, const ScreenRect& area) {
  const DrawMapHooks& hooks = State().hooks;
  if (!hooks.drawDecorations) return;
  const ViewMapping mapping{ViewWorldRectFor(view, area, ViewScaleFactorK()), area};
  hooks.drawDecorations(port, mapping, view.scale);
}

int32_t DrawSingleObject(DrawPort& port, const MapView& view, const ScreenRect& area, int32_t mapID,
                         int32_t overlayID, int32_t position) {
  DrawPass pass;
  pass.port = &port;
  pass.area = area;
  pass.singleObject = true;
  pass.view = ViewWorldRectFor(view, area, ViewScaleFactorK());
  pass.mapping.Setup(pass.view, area);
  const int32_t prepared = PrepareLayerDrawGlobals(pass, view.scale, mapID, overlayID);
  if (prepared < 0) return prepared;
  if (prepared > 0) {
    // Feedback is drawn for hidden overlays too; their state is set all the same.
    pass.layer.mapID = mapID;
    pass.layer.overlayID = overlayID;
  }
  int32_t mapIndex = -1, fileIndex = -1;
  int32_t err = AllocateSpaceForFile(mapID, overlayID, kObjectFileKind, kSmallWindowSize, &mapIndex,
                                     &fileIndex);
  if (err != 0) {
    ReportError("DrawSingleObject()", "AllocateSpaceForFile()", err);
    return err;
  }
  err = DrawObject(pass, CurrentObjectFile(), position);
  return err;
}

void QueueDeferredLabel(const std::string& text, WPoint point, int16_t colourIndex) {
  DrawPass* pass = State().running;
  if (pass == nullptr || pass->deferred.size() >= static_cast<size_t>(kMaxDeferredLabels)) return;
  pass->deferred.push_back({text.substr(0, kDeferredLabelLength), point, colourIndex});
}

int32_t SetThematicSlot(int32_t slot, std::vector<WPoint> points,
                        std::vector<std::array<char, kThematicRecordSize>> records) {
  if (slot < 1 || slot > kThematicSlotCount) return -1;
  State().slots[slot - 1] = {std::move(points), std::move(records)};
  return 0;
}

void ClearThematicSlots() {
  for (ThematicSlot& slot : State().slots) slot = {};
}

bool ComputeTextObjectRect(DrawPort& port, const std::string& text, const ObjectGraphics& graphics,
                           const WRect& given, WRect& computed) {
  const std::vector<std::string> lines = SplitTextLines(text);
  port.SetFont(MakeNumberedFont(graphics.textValue, 12, FontStyleForTextStyle(graphics.textCode), 0,
                                port.Kind(), false));
  int32_t width = 0;
  for (const std::string& line : lines) width = std::max(width, port.TextWidth(line));
  const FontMetrics m = port.GetFontMetrics();
  const int64_t height =
      static_cast<int64_t>(m.ascent + m.descent + m.leading) * static_cast<int64_t>(lines.size());
  if (width <= 0 || height <= 0) return false;
  const double unitsPerPixel = ViewUnitsPerPixel();
  // Horizontal pixels cover more world units away from the equator (the view's cosine).
  const MapView& view = CurrentMapView();
  const WRect world = ViewWorldRectFor(view, MapArea(), ViewScaleFactorK());
  const ScreenRect& area = MapArea();
  const double xUnits = area.right > area.left
                            ? static_cast<double>(world.x2 - world.x1) / (area.right - area.left)
                            : unitsPerPixel;
  const int64_t w = static_cast<int64_t>(width * xUnits + 0.5);
  const int64_t h = static_cast<int64_t>(static_cast<double>(height) * unitsPerPixel + 0.5);
  computed.x1 = given.x1;
  computed.y2 = given.y2;
  computed.x2 = static_cast<int32_t>(std::min<int64_t>(360000000, given.x1 + w));
  computed.y1 = static_cast<int32_t>(std::max<int64_t>(0, given.y2 - h));
  return true;
}

void SetTextMetricsPort(std::function<DrawPort*()> metricsPort) {
  State().metricsPort = std::move(metricsPort);
}

bool MeasureTextObjectRect(const std::string& text, const ObjectGraphics& graphics,
                           const WRect& given, WRect& computed) {
  const auto& factory = State().metricsPort;
  DrawPort* port = factory ? factory() : nullptr;
  return port != nullptr && ComputeTextObjectRect(*port, text, graphics, given, computed);
}

bool ChangeMeetsView(const WRect& changed) {
  return WRectsOverlap(changed, ViewWorldRect());
}

void ResetDrawMapForTesting() {
  DrawMapState& s = State();
  s.hooks = {};
  s.incomplete = false;
  s.haveStop = false;
  s.running = nullptr;
  s.progressShown = false;
  s.metricsPort = nullptr;
  ClearThematicSlots();
}

}  // namespace tlv
