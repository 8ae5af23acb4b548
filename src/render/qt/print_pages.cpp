#include "render/qt/print_pages.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <limits>

#include "render/qt/qt_draw_port.h"

namespace tlv {
namespace {

// The rules' context for converting the layout's sizes to pixels; only the resolution counts.
PrintContext SizesAt(double screenPixelsPerInch) {
  PrintContext context;
  context.screenPixelsPerInch = screenPixelsPerInch;
  return context;
}

int32_t Saturate(double value) {
  return static_cast<int32_t>(std::clamp(std::round(value),
                                         static_cast<double>(std::numeric_limits<int32_t>::min()),
                                         static_cast<double>(std::numeric_limits<int32_t>::max())));
}

// The header's face: the shipped sans face through fontconfig, so pages look alike everywhere.
QFont HeaderFont(double points, double dotsPerInch) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * dotsPerInch / 72.0))));
  return font;
}

// The program's logo, drawn rather than loaded, so that every page carries it at the printer's
// full resolution: a square with the program's initial over a map grid.
void DrawLogo(QPainter& painter, const QRectF& box) {
  painter.save();
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 64, 128));
  painter.drawRect(box);
  QPen gridPen(QColor(255, 255, 255, 110));
  gridPen.setWidthF(box.width() / 40);
  painter.setPen(gridPen);
  for (int i = 1; i < 4; ++i) {
    const double x = box.left() + box.width() * i / 4;
    const double y = box.top() + box.height() * i / 4;
    painter.drawLine(QPointF(x, box.top()), QPointF(x, box.bottom()));
    painter.drawLine(QPointF(box.left(), y), QPointF(box.right(), y));
  }
  QFont font(QStringLiteral("Arial"));
  font.setBold(true);
  font.setPixelSize(std::max(1, static_cast<int>(box.height() * 0.8)));
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(box, Qt::AlignCenter, QStringLiteral("T"));
  painter.restore();
}

// The header above the printable rectangle, in the printer's dots.
void DrawHeader(QPainter& painter, const QString& title, int32_t page, int32_t pages, double dpiX,
                double dpiY, double pageWidthDots, double printableTopDots) {
  painter.save();
  painter.resetTransform();
  painter.setClipping(false);
  const double logoSide = 0.4 * dpiX;
  DrawLogo(painter, QRectF(0, dpiY / 4, logoSide, 0.4 * dpiY));
  const double lineY = printableTopDots - dpiY / 4;
  const double baseline = lineY - dpiY / 10;
  const QFont titleFont = HeaderFont(18, dpiY);
  painter.setFont(titleFont);
  painter.setPen(Qt::black);
  const double titleLeft = dpiX / 2;
  painter.drawText(QPointF(titleLeft, baseline), title);
  const double titleRight =
      titleLeft + QFontMetricsF(titleFont, painter.device()).horizontalAdvance(title);
  if (pages > 1) {
    const QString number = PageNumberText(page, pages);
    const QFont numberFont = HeaderFont(10, dpiY);
    painter.setFont(numberFont);
    const double width = QFontMetricsF(numberFont, painter.device()).horizontalAdvance(number);
    const double left = pageWidthDots - width;
    // A long title would run into the number; the number then moves a quarter inch up.
    const double numberBaseline = left <= titleRight ? baseline - dpiY / 4 : baseline;
    painter.drawText(QPointF(left, numberBaseline), number);
  }
  QPen linePen(Qt::black);
  linePen.setWidthF(std::max(1.0, dpiY / 96));
  painter.setPen(linePen);
  painter.drawLine(QPointF(0, lineY), QPointF(pageWidthDots, lineY));
  painter.restore();
}

}  // namespace

QString PageNumberText(int32_t page, int32_t pages) {
  return QStringLiteral("Page %1 of %2").arg(page).arg(pages);
}

ScreenRect DevicePrintableRect(QPagedPaintDevice& device, double screenPixelsPerInch) {
  const QRect paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
  return PrintablePageRect(paint.width(), paint.height(), device.logicalDpiX(),
                           device.logicalDpiY(), screenPixelsPerInch);
}

WRect PrintGridWorld(const PrintJob& job, const ScreenRect& printable, int32_t& printScale) {
  const double imageWidth =
      std::max(1.0, PrintImageWidthPixels(job.layout, SizesAt(job.screenPixelsPerInch)));
  const double imageHeight =
      std::max(1.0, PrintImageHeightPixels(job.layout, SizesAt(job.screenPixelsPerInch)));
  const WRect shown =
      ViewWorldRectFor(job.view, {0, 0, job.viewWidth, job.viewHeight}, ViewScaleFactorK());
  const double gridWidth =
      static_cast<double>(job.layout.across) * (printable.right - printable.left);
  const double gridHeight =
      static_cast<double>(job.layout.down) * (printable.bottom - printable.top);
  WRect world;
  world.x1 = shown.x1;
  world.y2 = shown.y2;
  world.x2 =
      Saturate(shown.x1 + (static_cast<double>(shown.x2) - shown.x1) * gridWidth / imageWidth);
  world.y1 =
      Saturate(shown.y2 - (static_cast<double>(shown.y2) - shown.y1) * gridHeight / imageHeight);
  printScale =
      ClampScale(std::llround(static_cast<double>(job.view.scale) * job.viewHeight / imageHeight));
  return world;
}

int32_t PrintMapPages(QPagedPaintDevice& device, const PrintJob& job, PrintOutcome& outcome) {
  outcome = PrintOutcome();
  const double dpiX = device.logicalDpiX();
  const double dpiY = device.logicalDpiY();
  const double ppi = job.screenPixelsPerInch > 0 ? job.screenPixelsPerInch : 96.0;
  const ScreenRect printable = DevicePrintableRect(device, ppi);
  const QRect paint = device.pageLayout().paintRectPixels(static_cast<int>(dpiX));
  outcome.printable = printable;
  outcome.across = std::max(1, job.layout.across);
  outcome.down = std::max(1, job.layout.down);
  const PrintContext sizes = SizesAt(ppi);
  outcome.imageWidth = PrintImageWidthPixels(job.layout, sizes);
  outcome.imageHeight = PrintImageHeightPixels(job.layout, sizes);
  PrintJob grid = job;
  grid.layout.across = outcome.across;
  grid.layout.down = outcome.down;
  outcome.world = PrintGridWorld(grid, printable, outcome.scale);

  const int32_t pageWidth = printable.right - printable.left;
  const int32_t pageHeight = printable.bottom - printable.top;
  const int32_t pages = outcome.across * outcome.down;
  auto cancelled = [&job] { return job.cancelled && job.cancelled(); };

  QPainter painter;
  if (!painter.begin(&device)) {
    if (cancelled()) {
      outcome.cancelled = true;
      return 1;
    }
    outcome.failedCall = "StartDoc()";
    return -1;
  }
  // World units per screen pixel of the printed image, across and down.
  const double unitsAcross = (static_cast<double>(outcome.world.x2) - outcome.world.x1) /
                             (static_cast<double>(outcome.across) * std::max(1, pageWidth));
  const double unitsDown = (static_cast<double>(outcome.world.y2) - outcome.world.y1) /
                           (static_cast<double>(outcome.down) * std::max(1, pageHeight));
  // Symbols and labels that cross a page's edge are drawn from the objects an inch beyond it.
  const int32_t grow = static_cast<int32_t>(std::lround(ppi));
  const ScreenRect area{printable.left - grow, printable.top - grow, printable.right + grow,
                        printable.bottom + grow};
  DrawMapRequest request = job.request;
  request.decorations = false;
  // The decorations sit on the whole printed image, which starts at page 1's printable corner:
  // each page draws them through the same mapping moved by its place in the grid, clipped to it.
  const int32_t imageWidth = static_cast<int32_t>(std::lround(outcome.imageWidth));
  const int32_t imageHeight = static_cast<int32_t>(std::lround(outcome.imageHeight));
  WRect imageWorld;
  imageWorld.x1 = outcome.world.x1;
  imageWorld.y2 = outcome.world.y2;
  imageWorld.x2 = Saturate(outcome.world.x1 + imageWidth * unitsAcross);
  imageWorld.y1 = Saturate(outcome.world.y2 - imageHeight * unitsDown);
  const InterruptCheck inner = request.interrupted;
  request.interrupted = [&]() { return cancelled() || (inner && inner()); };

  int32_t result = 0;
  for (int32_t row = 0; row < outcome.down && result == 0; ++row) {
    for (int32_t column = 0; column < outcome.across && result == 0; ++column) {
      const int32_t page = row * outcome.across + column + 1;
      if (cancelled()) {
        result = 1;
        break;
      }
      if (page > 1 && !device.newPage()) {
        outcome.failedCall = "StartPage()";
        result = -1;
        break;
      }
      if (job.pageStarted) job.pageStarted(page, pages);
      const double tileLeft = static_cast<double>(column) * pageWidth - grow;
      const double tileTop = static_cast<double>(row) * pageHeight - grow;
      WRect tile;
      tile.x1 = Saturate(outcome.world.x1 + tileLeft * unitsAcross);
      tile.x2 = Saturate(outcome.world.x1 + (tileLeft + pageWidth + 2.0 * grow) * unitsAcross);
      tile.y2 = Saturate(outcome.world.y2 - tileTop * unitsDown);
      tile.y1 = Saturate(outcome.world.y2 - (tileTop + pageHeight + 2.0 * grow) * unitsDown);
      request.world = tile;
      painter.save();
      painter.scale(dpiX / ppi, dpiY / ppi);
      painter.setClipRect(QRect(printable.left, printable.top, pageWidth, pageHeight));
      {
        QtDrawPort port(painter, DeviceKind::kPrinter);
        port.SetWindingPolygonFill(true);
        // A stop point left by an interrupted screen pass must not make a page skip objects.
        ClearDrawStopPoint();
        MapView tileView{outcome.scale, tile.x1, tile.y2};
        if (DrawMap(port, tileView, area, request) == kDrawInterrupted && cancelled()) result = 1;
        const DrawMapHooks& hooks = CurrentDrawMapHooks();
        if (result == 0 && job.request.decorations && hooks.drawDecorations) {
          const int32_t left = printable.left - column * pageWidth;
          const int32_t top = printable.top - row * pageHeight;
          const ViewMapping image{imageWorld, {left, top, left + imageWidth, top + imageHeight}};
          hooks.drawDecorations(port, image, outcome.scale);
        }
      }
      painter.restore();
      if (result != 0) break;
      DrawHeader(painter, job.title, page, pages, dpiX, dpiY, paint.width(),
                 printable.top * dpiY / ppi);
      outcome.pagesPrinted = page;
    }
  }
  const bool ended = painter.end();
  if (result == 1) {
    outcome.cancelled = true;
    return 1;
  }
  if (result == 0 && !ended) {
    outcome.failedCall = "EndDoc()";
    result = -1;
  }
  return result;
}

}  // namespace tlv
