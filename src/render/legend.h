// The legend: the overlays shown at the scale and not left out of the legend, each with a swatch
// of its default graphics (symbol, line and fill in its colour) and its name, in a white box at
// the map area's top left (the reference view inset has the top right). One drawing through the
// DrawPort serves the window, saved pictures and printed pages alike.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/screen.h"
#include "render/draw_port.h"

namespace tlv {

struct LegendEntry {
  std::string name;
  int16_t symbol = 0;
  int16_t colour = 1;
  int16_t lineType = 1;
  int16_t pattern = 0;
  RGBColour custom;  // for colour 17
};

// What the legend lists now. The standard legend: the overlays shown now that are not left out
// of the legend, in the order of the shown part of SortLayersByShownPlusName (by name). A list
// a sibling program set: its entries. A picture a sibling program gave is not drawn here.
std::vector<LegendEntry> LegendEntries();

constexpr int32_t kLegendSmallestFontSize = 6;
constexpr int32_t kLegendLargestFontSize = 24;
// The font size of the names, in points (not kept between runs).
int32_t LegendFontSize();
void SetLegendFontSize(int32_t size);

struct LegendLayout {
  ScreenRect box;
  int32_t swatch = 0;  // side of a row's symbol and fill swatches
  int32_t rowHeight = 0;
  int32_t textX = 0;  // where the names start
  std::vector<int32_t> rowTops;
};

// The box for the rows at the area's top left: widest is the widest name and lineHeight the
// font's line height, both in device units of a device with dpi units per inch.
LegendLayout LayOutLegend(const ScreenRect& area, double dpi, size_t rows, int32_t widest,
                          int32_t lineHeight);

// Draws the legend of the entries; nothing when there are none.
void DrawLegend(DrawPort& port, const ScreenRect& area, const std::vector<LegendEntry>& entries);

void ResetLegendForTesting();

}  // namespace tlv
