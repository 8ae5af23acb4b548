#include "render/legend.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/memory.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/layers.h"
#include "catalogue/legend.h"
#include "render/graphics_tables.h"
#include "render/symbols.h"

namespace tlv {

namespace {

constexpr int16_t kLegendFont = 21;
constexpr int32_t kDefaultFontSize = 8;
constexpr int16_t kNoFillPattern = 2;

struct LegendState {
  int32_t fontSize = kDefaultFontSize;
};
LegendState state;

int32_t Units(double inches, double dpi) {
  return static_cast<int32_t>(std::lround(inches * dpi));
}

LegendEntry EntryOfRecord(const LayerRecord& layer) {
  LegendEntry entry;
  entry.name = FieldText(layer.name);
  entry.symbol = layer.graphics[0];
  entry.colour = layer.graphics[1];
  entry.lineType = layer.graphics[3];
  entry.pattern = layer.graphics[4];
  entry.custom = RGBColour{layer.thematic[0], layer.thematic[1], layer.thematic[2]};
  return entry;
}

}  // namespace

std::vector<LegendEntry> LegendEntries() {
  std::vector<LegendEntry> entries;
  const LegendContents& contents = CurrentLegend();
  if (contents.kind == kLegendList) {
    for (const LayerRecord& record : contents.entries) entries.push_back(EntryOfRecord(record));
    return entries;
  }
  if (contents.kind != kLegendOverlays) return entries;
  Handle sorted = nullptr;
  int32_t shown = 0;
  if (SortLayersByShownPlusName(sorted, shown) != 0) return entries;
  ScopedHandle owned(sorted);
  const HandleArray<LayerRecord> layers(sorted);
  for (int32_t i = 0; i < shown && i < layers.Count(); ++i) {
    const LayerRecord layer = layers.Get(i);
    if ((layer.flags & kNotInLegendFlag) != 0) continue;
    entries.push_back(EntryOfRecord(layer));
  }
  return entries;
}

int32_t LegendFontSize() {
  return state.fontSize;
}

void SetLegendFontSize(int32_t size) {
  state.fontSize = std::clamp(size, kLegendSmallestFontSize, kLegendLargestFontSize);
}

LegendLayout LayOutLegend(const ScreenRect& area, double dpi, size_t rows, int32_t widest,
                          int32_t lineHeight) {
  LegendLayout layout;
  const int32_t margin = Units(0.08, dpi);
  const int32_t gap = Units(0.05, dpi);
  layout.swatch = std::max(lineHeight, Units(0.14, dpi));
  layout.rowHeight = layout.swatch + gap;
  const int32_t width = margin + 2 * layout.swatch + 2 * gap + widest + margin;
  const int32_t height = margin + static_cast<int32_t>(rows) * layout.rowHeight - gap + margin;
  layout.box.left = area.left + margin;
  layout.box.right = layout.box.left + width;
  layout.box.top = area.top + margin;
  layout.box.bottom = layout.box.top + height;
  layout.textX = layout.box.left + margin + 2 * layout.swatch + 2 * gap;
  for (size_t r = 0; r < rows; ++r) {
    layout.rowTops.push_back(layout.box.top + margin + static_cast<int32_t>(r) * layout.rowHeight);
  }
  return layout;
}

void DrawLegend(DrawPort& port, const ScreenRect& area, const std::vector<LegendEntry>& entries) {
  if (entries.empty()) return;
  const bool printer = port.Kind() == DeviceKind::kPrinter;
  port.SetFont(MakeNumberedFont(kLegendFont, state.fontSize, 0, 0.0, port.Kind(), false));
  const FontMetrics metrics = port.GetFontMetrics();
  const int32_t lineHeight = metrics.ascent + metrics.descent;
  int32_t widest = 0;
  for (const LegendEntry& entry : entries) widest = std::max(widest, port.TextWidth(entry.name));
  const LegendLayout layout =
      LayOutLegend(area, port.PixelsPerInchX(), entries.size(), widest, lineHeight);
  const int32_t gap = (layout.textX - layout.box.left) - 2 * layout.swatch;
  port.SetRasterMode(RasterMode::kCopy);
  BrushSpec white;
  white.kind = BrushKind::kSolid;
  white.foreground = kWhiteColour;
  port.SetBrush(white);
  port.FillRect(layout.box);
  port.SetPen(PenSpec());
  port.FrameRect(layout.box);
  port.SetTextColour(kBlackColour);
  port.SetTextBackground(false, kWhiteColour);
  const int32_t left = layout.box.left + gap / 3;
  for (size_t r = 0; r < entries.size(); ++r) {
    const LegendEntry& entry = entries[r];
    const int32_t top = layout.rowTops[r];
    const RGBColour colour = ColourForCode(entry.colour, entry.custom);
    // The symbol the overlay's new points get.
    const ScreenRect symbolBox{left, top, left + layout.swatch, top + layout.swatch};
    DrawSymbol(port, entry.symbol, symbolBox, colour, printer);
    // Its fill pattern inside a frame in its line.
    const int32_t fillLeft = left + layout.swatch + gap / 3;
    const ScreenRect fillBox{fillLeft, top, fillLeft + layout.swatch, top + layout.swatch};
    if (entry.pattern != kNoFillPattern) {
      BrushSpec brush;
      brush.kind = BrushKind::kPattern;
      brush.foreground = colour;
      std::memcpy(brush.bits, PatternRows(NormalizePattern(entry.pattern), printer),
                  sizeof brush.bits);
      port.SetBrush(brush);
      port.FillRect(fillBox);
    }
    PenSpec line;
    line.colour = colour;
    line.width = std::clamp<int32_t>(entry.lineType, 1, 3);
    port.SetPen(line);
    port.FrameRect(fillBox);
    port.DrawText(layout.textX, top + (layout.swatch - lineHeight) / 2, entry.name);
  }
}

void ResetLegendForTesting() {
  state = LegendState();
}

}  // namespace tlv
