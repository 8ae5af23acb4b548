// Printing the map view on paged devices (a printer, or a PDF file through QPdfWriter): the
// image laid out by the print layout is cut into printable rectangles, drawn page by page row
// by row, each page headed with the logo, the title and, when there are several, its number.
#pragma once

#include <QPagedPaintDevice>
#include <QString>

#include <cstdint>
#include <functional>

#include "base/world_types.h"
#include "render/draw_map.h"
#include "render/map_view.h"
#include "render/print_layout.h"

namespace tlv {

// The printable rectangle of the device's pages in screen pixels.
ScreenRect DevicePrintableRect(QPagedPaintDevice& device, double screenPixelsPerInch);

struct PrintJob {
  MapView view;           // the view as the screen shows it
  int32_t viewWidth = 0;  // the map area's size in screen pixels
  int32_t viewHeight = 0;
  double screenPixelsPerInch = 96;
  PrintLayout layout;      // the image's size and pages
  QString title;           // the document's name and every page's header
  DrawMapRequest request;  // its interrupt check is joined to cancelled
  // Asked between pages and during drawing: true stops the print.
  std::function<bool()> cancelled;
  // Told as each page starts (1-based).
  std::function<void(int32_t page, int32_t pages)> pageStarted;
};

struct PrintOutcome {
  int32_t across = 0;
  int32_t down = 0;
  int32_t pagesPrinted = 0;
  ScreenRect printable;   // screen pixels
  double imageWidth = 0;  // screen pixels
  double imageHeight = 0;
  int32_t scale = 0;  // the scale the map is printed at
  WRect world;        // what the whole grid of pages shows
  bool cancelled = false;
  // The print call that failed ("StartDoc()", "StartPage()", "EndPage()", "EndDoc()"), or null.
  const char* failedCall = nullptr;
};

// The world rectangle a grid of pages shows: the view's western and northern edges stay, and it
// grows east and south as the grid is larger than the image.
WRect PrintGridWorld(const PrintJob& job, const ScreenRect& printable, int32_t& printScale);

// Prints the job on the device (which the caller has set up: paper, orientation, resolution,
// file). Returns 0, 1 when cancelled (nothing is reported), or -1 with outcome.failedCall set.
// Failures are not reported here; the caller names its own function in the report.
int32_t PrintMapPages(QPagedPaintDevice& device, const PrintJob& job, PrintOutcome& outcome);

// The text of the page number in the header.
QString PageNumberText(int32_t page, int32_t pages);

}  // namespace tlv
