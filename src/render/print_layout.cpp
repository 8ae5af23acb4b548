#include "render/print_layout.h"

#include <algorithm>
#include <cmath>

#include "geometry/geo_settings.h"
#include "render/map_view.h"

namespace tlv {
namespace {

constexpr double kCentimetresPerInch = 2.54;

bool Usable(double value) {
  return std::isfinite(value) && value > 0;
}

int32_t RectWidth(const ScreenRect& r) {
  return r.right - r.left;
}

int32_t RectHeight(const ScreenRect& r) {
  return r.bottom - r.top;
}

double ViewAspect(const PrintContext& context) {
  return context.viewWidth > 0 && context.viewHeight > 0
             ? static_cast<double>(context.viewHeight) / context.viewWidth
             : 1.0;
}

// Rule 4: the scale follows from the image's height against the view's world height, the
// pages from the image's size against the printable rectangle.
void Recompute(PrintLayout& layout, const PrintContext& context) {
  const double heightPixels = PrintImageHeightPixels(layout, context);
  if (Usable(heightPixels) && Usable(context.k) && Usable(context.viewWorldHeight)) {
    layout.scale = ClampScale(std::llround(context.viewWorldHeight / (context.k * heightPixels)));
  }
  layout.across = PagesFor(PrintImageWidthPixels(layout, context), RectWidth(context.printable));
  layout.down = PagesFor(heightPixels, RectHeight(context.printable));
}

}  // namespace

ScreenRect PrintablePageRect(int32_t pageWidthDots, int32_t pageHeightDots, double printerPpiX,
                             double printerPpiY, double screenPixelsPerInch) {
  if (!Usable(printerPpiX) || !Usable(printerPpiY) || !Usable(screenPixelsPerInch)) return {};
  const double left = printerPpiX / 4;
  const double top = printerPpiY;
  const double right = pageWidthDots - printerPpiX / 4;
  const double bottom = pageHeightDots - printerPpiY / 4;
  const double toScreenX = screenPixelsPerInch / printerPpiX;
  const double toScreenY = screenPixelsPerInch / printerPpiY;
  ScreenRect r;
  r.left = static_cast<int32_t>(std::lround(left * toScreenX));
  r.top = static_cast<int32_t>(std::lround(top * toScreenY));
  r.right = static_cast<int32_t>(std::lround(right * toScreenX));
  r.bottom = static_cast<int32_t>(std::lround(bottom * toScreenY));
  // Paper too small for the margins prints nothing rather than a rectangle turned inside out.
  r.right = std::max(r.right, r.left);
  r.bottom = std::max(r.bottom, r.top);
  return r;
}

double PrintPixelsPerUnit(char unit, double screenPixelsPerInch) {
  return unit == kPrintUnitCentimetres ? screenPixelsPerInch / kCentimetresPerInch
                                       : screenPixelsPerInch;
}

double PrintImageWidthPixels(const PrintLayout& layout, const PrintContext& context) {
  return layout.width * PrintPixelsPerUnit(layout.unit, context.screenPixelsPerInch);
}

double PrintImageHeightPixels(const PrintLayout& layout, const PrintContext& context) {
  return layout.height * PrintPixelsPerUnit(layout.unit, context.screenPixelsPerInch);
}

int32_t PagesFor(double pixels, int32_t printableLength) {
  if (!Usable(pixels) || printableLength <= 0) return 1;
  // A hair over a whole page is rounding in the unit conversions, not a page more.
  const double pages = std::ceil(pixels / printableLength - 1e-9);
  return static_cast<int32_t>(std::clamp(pages, 1.0, static_cast<double>(kMaxPrintPagesOneWay)));
}

PrintLayout OpeningPrintLayout(PrintSizeChoice lastChoice, int16_t distanceUnit,
                               const PrintContext& context) {
  PrintLayout layout;
  layout.choice = lastChoice;
  layout.unit = distanceUnit == kUnitMeters || distanceUnit == kUnitKilometers
                    ? kPrintUnitCentimetres
                    : kPrintUnitInches;
  const double perUnit = PrintPixelsPerUnit(layout.unit, context.screenPixelsPerInch);
  layout.width = context.viewWidth / perUnit;
  layout.height = context.viewHeight / perUnit;
  layout.scale = context.viewScale;
  layout.across = PagesFor(context.viewWidth, RectWidth(context.printable));
  layout.down = PagesFor(context.viewHeight, RectHeight(context.printable));
  if (lastChoice == PrintSizeChoice::kFitToPage) PrintLayoutFitToPage(layout, context);
  return layout;
}

int32_t PrintLayoutSetWidth(PrintLayout& layout, const PrintContext& context, double width) {
  if (!Usable(width)) return -1;
  layout.width = width;
  layout.height = width * ViewAspect(context);
  Recompute(layout, context);
  return 0;
}

int32_t PrintLayoutSetHeight(PrintLayout& layout, const PrintContext& context, double height) {
  if (!Usable(height)) return -1;
  layout.height = height;
  layout.width = height / ViewAspect(context);
  Recompute(layout, context);
  return 0;
}

int32_t PrintLayoutSetUnit(PrintLayout& layout, const PrintContext& context, char unit) {
  if (unit != kPrintUnitInches && unit != kPrintUnitCentimetres) return -1;
  layout.unit = unit;
  Recompute(layout, context);
  return 0;
}

int32_t PrintLayoutSetScale(PrintLayout& layout, const PrintContext& context, double scale) {
  if (!Usable(scale) || !Usable(context.k) || !Usable(context.viewWorldHeight)) return -1;
  const int32_t clamped = ClampScale(std::llround(std::min(scale, 1e12)));
  const double heightPixels = context.viewWorldHeight / (context.k * clamped);
  const double perUnit = PrintPixelsPerUnit(layout.unit, context.screenPixelsPerInch);
  layout.height = heightPixels / perUnit;
  layout.width = layout.height / ViewAspect(context);
  Recompute(layout, context);
  return 0;
}

void PrintLayoutFitToPage(PrintLayout& layout, const PrintContext& context) {
  layout.choice = PrintSizeChoice::kFitToPage;
  const double printableWidth = RectWidth(context.printable);
  const double printableHeight = RectHeight(context.printable);
  if (printableWidth <= 0 || printableHeight <= 0) return;
  const double aspect = ViewAspect(context);
  double widthPixels = printableWidth;
  double heightPixels = printableWidth * aspect;
  if (printableWidth / printableHeight >= 1.0 / aspect) {
    heightPixels = printableHeight;
    widthPixels = printableHeight / aspect;
  }
  const double perUnit = PrintPixelsPerUnit(layout.unit, context.screenPixelsPerInch);
  layout.width = widthPixels / perUnit;
  layout.height = heightPixels / perUnit;
  Recompute(layout, context);
  layout.across = 1;
  layout.down = 1;
}

void PrintLayoutSpecify(PrintLayout& layout, const PrintContext& context) {
  layout.choice = PrintSizeChoice::kSpecify;
  Recompute(layout, context);
}

}  // namespace tlv
