// The latitude/longitude grid: meridians and parallels in round units of the coordinate format,
// spaced so that about five meridians and six parallels cross the view, labelled with their
// coordinates, with optional unlabelled minor lines between them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/screen.h"
#include "render/draw_port.h"

namespace tlv {

constexpr int32_t kGridEntries = 24;

struct GridSpacing {
  double spacing;      // world units between major lines
  int16_t precision;   // the labels' rounding code (0, 3 or 6)
  int16_t minorCount;  // parts each interval is divided into by minor lines
};

// The spacing table entry of a coordinate format (any unknown format is decimal degrees).
const GridSpacing& GridTableEntry(int16_t format, int32_t entry);
// The first entry whose spacing exceeds span / divisor (the last entry when none does).
int32_t GridEntryFor(double span, double divisor, int16_t format);

// One grid line: a meridian (at world x, screen x) or a parallel (world y, screen y).
struct GridLine {
  bool meridian = true;
  bool major = true;
  int32_t world = 0;
  int32_t screen = 0;
  std::string label;  // major lines only
};

struct GridLayout {
  int32_t meridianEntry = 0;
  int32_t parallelEntry = 0;
  std::vector<GridLine> lines;  // minor lines first, then major ones
};

// The lines over the mapped view: major lines at spacing x (n0 + k), rounded, from one spacing
// before the view's left (bottom) edge while below its right (top) edge, lines outside the world
// left out; with minorLines each interval divided into the entry's count. Parallels closer than
// bottomMargin pixels to the bottom edge are left out.
GridLayout LayOutGrid(const ViewMapping& mapping, int16_t format, bool minorLines,
                      int32_t bottomMargin);

// How the grid looks: the line colours and the coordinate format.
struct GridStyle {
  RGBColour major = kBlackColour;
  RGBColour minor{192, 192, 192};
  bool minorLines = false;
  int16_t format = 0;
};

// Draws the grid over the mapped view: lines across the map area (a meridian's from 20 pixels
// above the bottom up, a parallel's from 10 pixels right of its label), labels in font -3 at size
// 8 on white, a meridian's centred 5 pixels above the bottom, a parallel's 5 pixels in from the
// left. On printer pages the pixel offsets grow with the page's resolution.
void DrawLatLongGrid(DrawPort& port, const ViewMapping& mapping, const GridStyle& style);

}  // namespace tlv
