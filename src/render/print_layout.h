// The size a printed map takes on paper and how many pages it spreads over: the settings the
// Print dialog shows and changes, kept for the whole run, and the rules that tie the image's
// width, height, unit and scale together. Sizes in pixels are screen pixels, the map's drawing
// unit; the printer's dots come in only through the printable page rectangle.
#pragma once

#include <cstdint>

#include "geometry/screen.h"

namespace tlv {

enum class PrintSizeChoice : int16_t {
  kFitToPage = 0,  // "Fit image to page"
  kSpecify = 1,    // "Specify image dimensions"
};

constexpr char kPrintUnitInches = 'I';
constexpr char kPrintUnitCentimetres = 'C';

struct PrintLayout {
  PrintSizeChoice choice = PrintSizeChoice::kFitToPage;
  char unit = kPrintUnitInches;
  double width = 0;   // in the unit
  double height = 0;  // in the unit
  int32_t scale = 0;  // 1:scale
  int32_t across = 1;
  int32_t down = 1;
};

// What the rules read about the view and the paper.
struct PrintContext {
  int32_t viewWidth = 0;  // the map view in screen pixels
  int32_t viewHeight = 0;
  int32_t viewScale = 0;
  double viewWorldHeight = 0;  // world units from the view's top edge to its bottom edge
  double k = 0;                // world units per screen pixel at 1:1
  double screenPixelsPerInch = 96;
  ScreenRect printable;  // screen pixels
};

// The printable part of a page in screen pixels: a quarter inch in from the left, right and
// bottom and an inch from the top (room for the header). pageWidthDots and pageHeightDots are
// the printer's drawable area in its own dots.
ScreenRect PrintablePageRect(int32_t pageWidthDots, int32_t pageHeightDots, double printerPpiX,
                             double printerPpiY, double screenPixelsPerInch);

double PrintPixelsPerUnit(char unit, double screenPixelsPerInch);
// The image's size in screen pixels.
double PrintImageWidthPixels(const PrintLayout& layout, const PrintContext& context);
double PrintImageHeightPixels(const PrintLayout& layout, const PrintContext& context);

// The dialog's starting values: the view's size in the unit of the user's distance unit
// (centimetres for metres and kilometres, else inches), the view's scale and the pages that
// size takes; with "Fit image to page" already fitted. The choice is the one last made.
PrintLayout OpeningPrintLayout(PrintSizeChoice lastChoice, int16_t distanceUnit,
                               const PrintContext& context);

// The dialog's rules. Each recomputes the scale and the pages (at least one each way). A value
// that is not a finite number above zero changes nothing and gives -1.
int32_t PrintLayoutSetWidth(PrintLayout& layout, const PrintContext& context, double width);
int32_t PrintLayoutSetHeight(PrintLayout& layout, const PrintContext& context, double height);
// The numbers stay; they are read in the new unit from now on. -1 for an unknown unit.
int32_t PrintLayoutSetUnit(PrintLayout& layout, const PrintContext& context, char unit);
// 1:scale, held to the program's range of scales.
int32_t PrintLayoutSetScale(PrintLayout& layout, const PrintContext& context, double scale);
// As large as one page's printable rectangle allows, in the view's proportions; one page.
void PrintLayoutFitToPage(PrintLayout& layout, const PrintContext& context);
// The size the user gives, over as many whole pages as it needs.
void PrintLayoutSpecify(PrintLayout& layout, const PrintContext& context);

// The pages across (or down) a length in pixels takes: ceiling, at least 1, at most kMaxPages.
constexpr int32_t kMaxPrintPagesOneWay = 1000;
int32_t PagesFor(double pixels, int32_t printableLength);

}  // namespace tlv
