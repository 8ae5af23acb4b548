// The scale bar that floats over the map: one bar in the current distance unit, optionally a
// second in the other measuring system, and optionally a "1 in = ..." line; laid out in device
// units from the device's resolution so the screen, pictures and paper show the same bar.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/screen.h"
#include "render/decoration_place.h"
#include "render/draw_port.h"

namespace tlv {

// The bar's steps, in distance units.
constexpr int32_t kScaleStepCount = 28;
double ScaleStep(int32_t index);

// Paper inches of one distance unit at 1:1.
double InchesPerUnit(int16_t unit);
// The other system's unit: feet or yards → meters, miles or nautical miles → kilometers,
// meters → feet, kilometers → miles.
int16_t CounterpartUnit(int16_t unit);

struct ScaleBarTick {
  int32_t x = 0;
  std::string label;
};

struct ScaleBarLine {
  bool primary = true;
  int16_t unit = 0;
  double step = 0;  // distance units per step
  int32_t steps = 0;
  int32_t lineY = 0;  // device units
  int32_t tickLength = 0;
  int32_t labelY = 0;               // baseline of the labels
  std::vector<ScaleBarTick> ticks;  // steps + 1, the first at "0"
};

struct ScaleBarLayout {
  ScreenRect box;                  // grown by 3 device units on each side
  std::vector<ScaleBarLine> bars;  // none when no step fits even in meters or feet
  std::string inchLine;            // empty unless asked for
  int32_t inchLineX = 0;
  int32_t inchLineBaseline = 0;
};

struct ScaleBarOptions {
  int16_t unit = 5;                      // the current distance unit
  bool bothSystems = false;              // a second bar in the other system
  bool inchLine = false;                 // "1 in = ..." (or "1 cm = ...")
  bool printing = false;                 // the second bar's labels sit a little higher on paper
  int32_t positionX = kDecorationUnset;  // 1/32000 of the area's width and height
  int32_t positionY = kDecorationUnset;
};

// The layout in an area of a device of dpi units per inch at 1:scale; lineHeight is the label
// font's line height in device units.
ScaleBarLayout LayOutScaleBar(const ScreenRect& area, double dpi, int32_t scale,
                              const ScaleBarOptions& options, int32_t lineHeight);

// The layout on the port, measured in the bar's label font (which it leaves selected).
ScaleBarLayout MeasureScaleBar(DrawPort& port, const ScreenRect& area, int32_t scale,
                               const ScaleBarOptions& options);

// Draws the scale bar: a white box with a one-unit frame, the bars as brackets, the labels in
// font 21 at size 8 by their baselines, and the "1 in = ..." line.
void DrawScaleBar(DrawPort& port, const ScreenRect& area, int32_t scale,
                  const ScaleBarOptions& options);

}  // namespace tlv
