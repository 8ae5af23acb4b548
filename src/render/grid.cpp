#include "render/grid.h"

#include <cmath>

#include "geometry/coordinates.h"
#include "geometry/distance.h"
#include "geometry/geo_settings.h"
#include "render/graphics_tables.h"

namespace tlv {

namespace {

constexpr double kWorldRight = 360000000.0;
constexpr double kWorldTop = 180000000.0;

constexpr int32_t kGridLabelFont = -3;
constexpr int32_t kGridLabelFontSize = 8;
constexpr int32_t kMeridianLabelRise = 5;   // label's bottom above the map area's bottom
constexpr int32_t kMeridianLineRise = 20;   // where a meridian's line starts above the bottom
constexpr int32_t kParallelLabelInset = 5;  // label's left from the map area's left
constexpr int32_t kParallelLineGap = 10;    // between a parallel's label and its line
constexpr int32_t kParallelBottomMargin = 30;

// Degrees 1 to 180 shared by all three tables (entries 13 to 23).
constexpr GridSpacing kDegreeEntries[11] = {{1000000, 0, 5},   {2000000, 0, 4},  {3000000, 0, 6},
                                            {5000000, 0, 5},   {10000000, 0, 5}, {20000000, 0, 4},
                                            {30000000, 0, 6},  {60000000, 0, 6}, {90000000, 0, 4},
                                            {120000000, 0, 4}, {180000000, 0, 6}};

constexpr GridSpacing kDecimal[13] = {{100, 6, 5},   {200, 6, 5},   {500, 6, 4},    {1000, 6, 5},
                                      {2000, 3, 4},  {5000, 3, 5},  {10000, 3, 5},  {20000, 3, 4},
                                      {25000, 3, 4}, {50000, 3, 5}, {100000, 3, 5}, {250000, 3, 4},
                                      {500000, 3, 4}};
constexpr GridSpacing kDegMin[13] = {{100, 6, 5},
                                     {200, 6, 5},
                                     {500, 6, 4},
                                     {1000, 6, 5},
                                     {2000, 6, 4},
                                     {5000, 6, 5},
                                     {16666.666666666668, 6, 6},
                                     {33333.333333333336, 3, 4},
                                     {50000, 3, 6},
                                     {83333.33333333334, 3, 5},
                                     {166666.6666666667, 3, 5},
                                     {333333.3333333334, 3, 4},
                                     {500000.00000000006, 3, 6}};
constexpr GridSpacing kDegMinSec[13] = {
    {555.5555555555555, 6, 4},  {555.5555555555555, 6, 4},  {555.5555555555555, 6, 4},
    {1388.888888888889, 6, 5},  {4166.666666666667, 6, 5},  {8333.333333333334, 6, 6},
    {16666.666666666668, 3, 6}, {33333.333333333336, 3, 4}, {50000, 3, 6},
    {83333.33333333334, 3, 5},  {166666.6666666667, 3, 5},  {333333.3333333334, 3, 4},
    {500000.00000000006, 3, 6}};

// The lines of one direction from low to high (world), major ones at spacing x (n0 + k).
void AddLines(bool meridian, double low, double high, double worldEdge, const GridSpacing& entry,
              bool minorLines, std::vector<GridLine>& minors, std::vector<GridLine>& majors) {
  const double spacing = entry.spacing;
  const double first = std::trunc(low / spacing) - 1;
  for (int32_t k = 0;; ++k) {
    const double at = std::round(spacing * (first + k));
    if (at >= high) break;
    if (k > 100000) break;  // a view cannot hold more lines than pixels
    if (minorLines && entry.minorCount > 1) {
      for (int32_t m = 1; m < entry.minorCount; ++m) {
        const double minor =
            std::round(spacing * (first + k + static_cast<double>(m) / entry.minorCount));
        if (minor < 0 || minor > worldEdge || minor < low || minor >= high) continue;
        GridLine line;
        line.meridian = meridian;
        line.major = false;
        line.world = static_cast<int32_t>(minor);
        minors.push_back(line);
      }
    }
    if (at < 0 || at > worldEdge || at < low) continue;
    GridLine line;
    line.meridian = meridian;
    line.world = static_cast<int32_t>(at);
    majors.push_back(line);
  }
}

}  // namespace

const GridSpacing& GridTableEntry(int16_t format, int32_t entry) {
  if (entry < 0) entry = 0;
  if (entry >= kGridEntries) entry = kGridEntries - 1;
  if (entry >= 13) return kDegreeEntries[entry - 13];
  if (format == kFormatDegMin) return kDegMin[entry];
  if (format == kFormatDegMinSec) return kDegMinSec[entry];
  return kDecimal[entry];
}

int32_t GridEntryFor(double span, double divisor, int16_t format) {
  for (int32_t entry = 0; entry < kGridEntries - 1; ++entry) {
    if (GridTableEntry(format, entry).spacing > span / divisor) return entry;
  }
  return kGridEntries - 1;
}

GridLayout LayOutGrid(const ViewMapping& mapping, int16_t format, bool minorLines,
                      int32_t bottomMargin) {
  GridLayout layout;
  const WRect& world = mapping.world;
  const double width = static_cast<double>(world.x2) - world.x1;
  const double height = static_cast<double>(world.y2) - world.y1;
  if (width <= 0 || height <= 0) return layout;
  layout.meridianEntry = GridEntryFor(width, 5.0, format);
  layout.parallelEntry = GridEntryFor(height, 6.0, format);
  std::vector<GridLine> minors;
  std::vector<GridLine> majors;
  AddLines(true, world.x1, world.x2, kWorldRight, GridTableEntry(format, layout.meridianEntry),
           minorLines, minors, majors);
  AddLines(false, world.y1, world.y2, kWorldTop, GridTableEntry(format, layout.parallelEntry),
           minorLines, minors, majors);
  const int32_t bottom = mapping.screen.bottom;
  for (std::vector<GridLine>* list : {&minors, &majors}) {
    for (GridLine& line : *list) {
      const WPoint p = line.meridian ? WPoint{line.world, world.y1} : WPoint{world.x1, line.world};
      const ScreenPoint s = WorldToScreenPoint(mapping, p);
      line.screen = line.meridian ? s.x : s.y;
      if (!line.meridian && bottom - line.screen < bottomMargin) continue;
      if (line.major) {
        std::string latitude;
        std::string longitude;
        FormatLatLong(p, format, latitude, longitude);
        std::string& text = line.meridian ? longitude : latitude;
        const GridSpacing& entry =
            GridTableEntry(format, line.meridian ? layout.meridianEntry : layout.parallelEntry);
        RoundLatLongText(text, entry.precision, format);
        // Padding the format keeps for columns of numbers is no use on a map.
        const size_t start = text.find_first_not_of(' ');
        line.label = start == std::string::npos ? std::string() : text.substr(start);
      }
      layout.lines.push_back(line);
    }
  }
  return layout;
}

void DrawLatLongGrid(DrawPort& port, const ViewMapping& mapping, const GridStyle& style) {
  // Offsets are screen pixels; a printer page's are as long on paper.
  const double factor =
      port.Kind() == DeviceKind::kPrinter ? port.PixelsPerInchY() / kDefaultPixelsPerInch : 1.0;
  const auto scaled = [factor](int32_t pixels) {
    return static_cast<int32_t>(std::lround(pixels * factor));
  };
  const ScreenRect& area = mapping.screen;
  const GridLayout layout =
      LayOutGrid(mapping, style.format, style.minorLines, scaled(kParallelBottomMargin));
  FontSpec font = MakeNumberedFont(kGridLabelFont, kGridLabelFontSize, 0, 0.0, port.Kind(), false);
  font.pixelHeight = scaled(font.pixelHeight);
  port.SetFont(font);
  port.SetTextColour(style.major);
  port.SetTextBackground(true, kWhiteColour);
  port.SetRasterMode(RasterMode::kCopy);
  const FontMetrics metrics = port.GetFontMetrics();
  const int32_t textHeight = metrics.ascent + metrics.descent;
  for (const GridLine& line : layout.lines) {
    PenSpec pen;
    pen.colour = line.major ? style.major : style.minor;
    port.SetPen(pen);
    if (line.meridian) {
      const int32_t lineBottom = line.major ? area.bottom - scaled(kMeridianLineRise) : area.bottom;
      port.MoveTo(line.screen, area.top);
      port.LineTo(line.screen, lineBottom);
      if (line.major && !line.label.empty()) {
        const int32_t width = port.TextWidth(line.label);
        port.DrawText(line.screen - width / 2,
                      area.bottom - scaled(kMeridianLabelRise) - textHeight, line.label);
      }
    } else {
      int32_t lineLeft = area.left;
      if (line.major && !line.label.empty()) {
        const int32_t x = area.left + scaled(kParallelLabelInset);
        port.DrawText(x, line.screen - textHeight / 2, line.label);
        lineLeft = x + port.TextWidth(line.label) + scaled(kParallelLineGap);
      }
      port.MoveTo(lineLeft, line.screen);
      port.LineTo(area.right, line.screen);
    }
  }
  port.SetTextBackground(false, kWhiteColour);
}

}  // namespace tlv
