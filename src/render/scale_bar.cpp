#include "render/scale_bar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/distance.h"
#include "geometry/geo_settings.h"
#include "render/graphics_tables.h"

namespace tlv {

namespace {

constexpr double kSteps[kScaleStepCount] = {
    0.1,    0.25,    0.5,     1,       2,        5,        10,       25,       50,     100,
    250,    500,     1000,    2500,    5000,     10000,    25000,    50000,    100000, 250000,
    500000, 1000000, 2500000, 5000000, 10000000, 25000000, 50000000, 100000000};

constexpr double kBoxWidthInches = 3.0;
constexpr double kBarMarginInches = 0.5;  // the usable length is the box width less this
constexpr double kBarStartInches = 0.15;
constexpr double kTickInches = 0.05;
constexpr int32_t kBoxGrowth = kDecorationBoxGrowth;
constexpr double kDefaultX = 0.8;
constexpr double kDefaultY = 0.7;
constexpr int32_t kScaleBarFont = 21;
constexpr int32_t kScaleBarFontSize = 8;

int32_t Units(double inches, double dpi) {
  return static_cast<int32_t>(std::lround(inches * dpi));
}

// The step of a bar in unit: the largest whose two steps are shorter than the usable length;
// -1 when none is.
int32_t StepFor(int16_t unit, int32_t scale, double usableInches) {
  for (int32_t i = kScaleStepCount - 1; i >= 0; --i) {
    if (2.0 * kSteps[i] * InchesPerUnit(unit) / scale < usableInches) return i;
  }
  return -1;
}

std::string StepLabel(double value, double step) {
  char text[64];
  if (step >= 1) {
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(std::lround(value)));
  } else {
    std::snprintf(text, sizeof text, "%.2f", value);
  }
  return text;
}

}  // namespace

double ScaleStep(int32_t index) {
  return kSteps[std::clamp(index, 0, kScaleStepCount - 1)];
}

double InchesPerUnit(int16_t unit) {
  const double inPaperUnit = UnitsInPaperUnit(unit);
  return IsMetricUnit(unit) ? (1.0 / inPaperUnit) / kCentimetresPerInch : 1.0 / inPaperUnit;
}

int16_t CounterpartUnit(int16_t unit) {
  switch (NormaliseDistanceUnit(unit)) {
    case kUnitFeet:
    case kUnitYards:
      return kUnitMeters;
    case kUnitMeters:
      return kUnitFeet;
    case kUnitKilometers:
      return kUnitMiles;
    default:
      return kUnitKilometers;
  }
}

ScaleBarLayout LayOutScaleBar(const ScreenRect& area, double dpi, int32_t scale,
                              const ScaleBarOptions& options, int32_t lineHeight) {
  ScaleBarLayout layout;
  if (scale <= 0 || dpi <= 0) return layout;
  const bool second = options.bothSystems;
  double heightInches = 0.3;
  int32_t extra = 0;
  if (second || options.inchLine) {
    heightInches = 0.25 * (second ? 2 : 1);
    if (options.inchLine) extra = 2 * lineHeight;
  }
  const int32_t width = Units(kBoxWidthInches, dpi);
  const int32_t height = Units(heightInches, dpi) + extra;
  const ScreenRect box = PlaceDecorationBox(area, options.positionX, options.positionY, kDefaultX,
                                            kDefaultY, width, height);

  const double usable = kBoxWidthInches - kBarMarginInches;
  const auto makeBar = [&](bool primary, int16_t unit) -> bool {
    int32_t step = StepFor(unit, scale, usable);
    if (step < 0) {
      // Too short for even the smallest step: meters or feet instead, once.
      const int16_t fallback = IsMetricUnit(unit) ? kUnitMeters : kUnitFeet;
      if (NormaliseDistanceUnit(unit) == fallback) return false;
      unit = fallback;
      step = StepFor(unit, scale, usable);
      if (step < 0) return false;
    }
    ScaleBarLine bar;
    bar.primary = primary;
    bar.unit = unit;
    bar.step = kSteps[step];
    const double stepInches = bar.step * InchesPerUnit(unit) / scale;
    bar.steps = static_cast<int32_t>(std::floor(usable / stepInches));
    double lineInches = 0.25;
    if (primary && second && options.inchLine) lineInches += 0.05;
    if (!primary) lineInches = options.inchLine ? 0.35 : 0.3;
    bar.lineY = box.top + Units(lineInches, dpi);
    bar.tickLength = Units(kTickInches, dpi);
    bar.labelY = primary ? bar.lineY - Units(0.05, dpi)
                         : bar.lineY + Units(options.printing ? 0.125 : 0.175, dpi);
    const int32_t x0 = box.left + Units(kBarStartInches, dpi);
    for (int32_t k = 0; k <= bar.steps; ++k) {
      ScaleBarTick tick;
      tick.x = x0 + static_cast<int32_t>(std::lround(k * stepInches * dpi));
      tick.label = k == 0 ? "0" : StepLabel(k * bar.step, bar.step);
      if (k == bar.steps) tick.label += " " + DistanceUnitAbbreviation(unit);
      bar.ticks.push_back(tick);
    }
    layout.bars.push_back(bar);
    return true;
  };
  makeBar(true, options.unit);
  if (second) makeBar(false, CounterpartUnit(options.unit));

  if (options.inchLine) {
    const double ground = UnitsInPaperUnit(options.unit) * scale;
    const int decimals = ground < 10 ? 3 : ground < 100 ? 2 : ground < 1000 ? 1 : 0;
    char value[64];
    std::snprintf(value, sizeof value, "%.*f", decimals, ground);
    layout.inchLine = std::string(IsMetricUnit(options.unit) ? "1 cm =" : "1 in =") + " " + value +
                      " " + DistanceUnitName(options.unit);
    layout.inchLineX = box.left + Units(0.1, dpi);
    layout.inchLineBaseline = box.bottom - Units(0.1, dpi);
  }
  layout.box = {box.left - kBoxGrowth, box.top - kBoxGrowth, box.right + kBoxGrowth,
                box.bottom + kBoxGrowth};
  return layout;
}

ScaleBarLayout MeasureScaleBar(DrawPort& port, const ScreenRect& area, int32_t scale,
                               const ScaleBarOptions& options) {
  port.SetFont(MakeNumberedFont(kScaleBarFont, kScaleBarFontSize, 0, 0.0, port.Kind(), false));
  const FontMetrics metrics = port.GetFontMetrics();
  const int32_t lineHeight = metrics.ascent + metrics.descent + metrics.leading;
  return LayOutScaleBar(area, port.PixelsPerInchX(), scale, options, lineHeight);
}

void DrawScaleBar(DrawPort& port, const ScreenRect& area, int32_t scale,
                  const ScaleBarOptions& options) {
  const ScaleBarLayout layout = MeasureScaleBar(port, area, scale, options);
  const FontMetrics metrics = port.GetFontMetrics();
  port.SetRasterMode(RasterMode::kCopy);
  BrushSpec white;
  white.kind = BrushKind::kSolid;
  white.foreground = kWhiteColour;
  port.SetBrush(white);
  port.FillRect(layout.box);
  PenSpec pen;
  port.SetPen(pen);
  port.FrameRect(layout.box);
  port.SetTextColour(kBlackColour);
  port.SetTextBackground(false, kWhiteColour);
  for (const ScaleBarLine& bar : layout.bars) {
    const int32_t tickEnd = bar.primary ? bar.lineY - bar.tickLength : bar.lineY + bar.tickLength;
    for (size_t k = 0; k < bar.ticks.size(); ++k) {
      const ScaleBarTick& tick = bar.ticks[k];
      if (k + 1 < bar.ticks.size()) {
        port.MoveTo(tick.x, tickEnd);
        port.LineTo(tick.x, bar.lineY);
        port.LineTo(bar.ticks[k + 1].x, bar.lineY);
      } else {
        // LineTo leaves its end out: the last tick is drawn from the bar outwards.
        port.MoveTo(tick.x, bar.lineY);
        port.LineTo(tick.x, tickEnd);
      }
      // The unit after the last number does not move the number off its tick.
      const std::string number = tick.label.substr(0, tick.label.find(' '));
      port.DrawText(tick.x - port.TextWidth(number) / 2, bar.labelY - metrics.ascent, tick.label);
    }
  }
  if (!layout.inchLine.empty()) {
    port.DrawText(layout.inchLineX, layout.inchLineBaseline - metrics.ascent, layout.inchLine);
  }
}

}  // namespace tlv
