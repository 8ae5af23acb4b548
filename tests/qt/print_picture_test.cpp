// Printing and picture files on the drawing fixture's map: pages cut from one mapping (a line
// crossing a page edge goes on at the same height), the page grid and its world rectangle, a
// cancel between pages, and pictures saved as bitmap, PNG, WMF and EMF with their pictures and a
// cancel that keeps the older file.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QProcess>

#include <regex>
#include <string>

#include "base/dib_file.h"
#include "geometry/geo_settings.h"
#include "qt/draw_map_fixture.h"
#include "render/metafile/emf_writer.h"
#include "render/metafile/metafile_picture.h"
#include "render/metafile/wmf_writer.h"
#include "render/qt/picture_file.h"
#include "render/qt/print_pages.h"
#include "render/qt/qt_rendering.h"

namespace tlv::test {
namespace {

class PrintPictureTest : public DrawMapTest {
 protected:
  // A job for the fixture's 400 x 300 view.
  PrintJob Job(const PrintLayout& layout) {
    PrintJob job;
    job.view = CurrentMapView();
    job.viewWidth = MapArea().right - MapArea().left;
    job.viewHeight = MapArea().bottom - MapArea().top;
    job.screenPixelsPerInch = 96;
    job.layout = layout;
    job.title = QStringLiteral("Harbour plan");
    job.request.interrupted = [] { return false; };
    return job;
  }
  PrintContext Context(const ScreenRect& printable) {
    PrintContext context;
    context.viewWidth = MapArea().right - MapArea().left;
    context.viewHeight = MapArea().bottom - MapArea().top;
    context.viewScale = CurrentMapView().scale;
    const WRect shown = ViewWorldRect();
    context.viewWorldHeight = static_cast<double>(shown.y2) - shown.y1;
    context.k = ViewScaleFactorK();
    context.screenPixelsPerInch = 96;
    context.printable = printable;
    return context;
  }
  static int PdfPages(const QByteArray& pdf) {
    const std::string text(pdf.constData(), static_cast<size_t>(pdf.size()));
    const std::regex page("/Type\\s*/Page[^s]");
    return static_cast<int>(std::distance(std::sregex_iterator(text.begin(), text.end(), page),
                                          std::sregex_iterator()));
  }
  static int32_t Save(const std::string& path, PictureKind kind, const PictureRequest& request,
                      PictureOutcome& outcome) {
    if (kind == PictureKind::kBitmap || kind == PictureKind::kPng) {
      return SavePixelPicture(path, kind, request, outcome);
    }
    PictureMeasurer measurer;
    return SaveMetafilePicture(path, kind, request, measurer.Port(), outcome);
  }
  std::filesystem::path Output() {
    const std::filesystem::path out = root / "pictures";
    MakeFolders(out);
    return out;
  }
  PictureRequest Picture() {
    PictureRequest request;
    request.view = CurrentMapView();
    request.width = kWidth;
    request.height = kHeight;
    request.screenPixelsPerInch = 96;
    request.request.interrupted = [] { return false; };
    return request;
  }
};

TEST_F(PrintPictureTest, TwoAndAHalfPrintableWidthsGoOutAsThreePagesAcross) {
  // A wide view, so that 2.5 printable widths are less than one printable height high.
  SetMapArea({0, 0, 1600, 300});
  CentreViewOn(kScale, 190000000, 130000000);
  QByteArray pdf;
  QBuffer buffer(&pdf);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(300);
  writer.setPageLayout(
      QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
  const ScreenRect printable = DevicePrintableRect(writer, 96);
  EXPECT_EQ(printable.left, 24);
  EXPECT_EQ(printable.top, 96);
  EXPECT_EQ(printable.right, 792);
  EXPECT_EQ(printable.bottom, 1032);
  const PrintContext context = Context(printable);
  PrintLayout layout = OpeningPrintLayout(PrintSizeChoice::kSpecify, kUnitMiles, context);
  ASSERT_EQ(PrintLayoutSetWidth(layout, context, 2.5 * 768 / 96), 0);
  PrintLayoutSpecify(layout, context);
  ASSERT_EQ(layout.across, 3);
  ASSERT_EQ(layout.down, 1);
  std::vector<int32_t> started;
  PrintJob job = Job(layout);
  job.pageStarted = [&started](int32_t page, int32_t pages) {
    EXPECT_EQ(pages, 3);
    started.push_back(page);
  };
  PrintOutcome outcome;
  ASSERT_EQ(PrintMapPages(writer, job, outcome), 0);
  buffer.close();
  EXPECT_EQ(started, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(outcome.pagesPrinted, 3);
  EXPECT_EQ(PdfPages(pdf), 3);
  // The image is 1920 x 360 pixels; the grid of 3 printable widths (2304) by one printable
  // height (936) shows more of the world east and south, from the view's western and northern
  // edges.
  const WRect shown = ViewWorldRect();
  EXPECT_EQ(outcome.world.x1, shown.x1);
  EXPECT_EQ(outcome.world.y2, shown.y2);
  EXPECT_NEAR(outcome.world.x2 - outcome.world.x1, (shown.x2 - shown.x1) * 2304.0 / 1920, 2);
  EXPECT_NEAR(outcome.world.y2 - outcome.world.y1, (shown.y2 - shown.y1) * 936.0 / 360, 2);
  EXPECT_NEAR(outcome.scale, kScale * 300.0 / 360, 1);
}

TEST_F(PrintPictureTest, ACancelStopsBetweenPagesWithoutAFailure) {
  QByteArray pdf;
  QBuffer buffer(&pdf);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(150);
  const PrintContext context = Context(DevicePrintableRect(writer, 96));
  PrintLayout layout = OpeningPrintLayout(PrintSizeChoice::kSpecify, kUnitMiles, context);
  ASSERT_EQ(PrintLayoutSetScale(layout, context, kScale / 8.0), 0);
  ASSERT_GT(layout.across * layout.down, 4);
  PrintJob job = Job(layout);
  int32_t pagesSeen = 0;
  job.pageStarted = [&pagesSeen](int32_t page, int32_t) { pagesSeen = page; };
  job.cancelled = [&pagesSeen] { return pagesSeen >= 2; };
  PrintOutcome outcome;
  EXPECT_EQ(PrintMapPages(writer, job, outcome), 1);
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(outcome.failedCall, nullptr);
  EXPECT_LE(outcome.pagesPrinted, 2);
}

TEST_F(PrintPictureTest, PagesFillSelfCrossingRingsByWinding) {
  ASSERT_TRUE(std::filesystem::exists("/usr/bin/pdftoppm")) << "poppler-utils: run scripts/setup";
  // A five-pointed star as one ring with no outline, so it is filled ring by ring; its centre is
  // wound round twice, which the screen leaves open and paper fills.
  std::vector<WPoint> star;
  for (const auto& [x, y] : std::vector<std::pair<int, int>>{
           {200, 66}, {254, 234}, {113, 129}, {287, 129}, {146, 234}, {200, 66}}) {
    star.push_back(World(x, y));
  }
  Make(kPolygonObject, {World(113, 0).x, World(0, 234).y, World(287, 0).x, World(0, 66).y},
       Area(kColourRed, 1), "", Points(star));
  ASSERT_EQ(Draw(), 0);
  ASSERT_EQ(image.pixel(200, 162), kMapColour) << "the screen keeps the alternate rule";
  ASSERT_EQ(image.pixel(200, 90), qRgb(255, 0, 0));

  const std::filesystem::path folder = Output();
  const QString pdfPath = QString::fromStdString((folder / "star.pdf").string());
  {
    QPdfWriter writer(pdfPath);
    writer.setResolution(96);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    const PrintContext context = Context(DevicePrintableRect(writer, 96));
    PrintOutcome outcome;
    ASSERT_EQ(PrintMapPages(
                  writer, Job(OpeningPrintLayout(PrintSizeChoice::kFitToPage, kUnitMiles, context)),
                  outcome),
              0);
  }
  const QString pngBase = QString::fromStdString((folder / "star").string());
  ASSERT_EQ(
      QProcess::execute("/usr/bin/pdftoppm", {"-r", "96", "-png", "-singlefile", pdfPath, pngBase}),
      0);
  const QImage page = QImage(pngBase + ".png").convertToFormat(QImage::Format_RGB32);
  ASSERT_FALSE(page.isNull());
  // Fit to page: the 400-pixel view fills the 768-pixel printable width from (24, 96).
  const auto onPage = [](int x, int y) { return QPoint(24 + x * 768 / 400, 96 + y * 768 / 400); };
  const auto red = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; };
  EXPECT_TRUE(red(page.pixel(onPage(200, 90)))) << "a point of the star";
  EXPECT_TRUE(red(page.pixel(onPage(200, 162)))) << "the star's centre on paper";
  EXPECT_FALSE(red(page.pixel(onPage(200, 250)))) << "below the star";
}

TEST_F(PrintPictureTest, DecorationsSitOnTheWholeImageNotOnEachPagesTile) {
  // A decoration that records where it is asked to go and marks the image's top-left corner.
  std::vector<ViewMapping> calls;
  DrawMapHooks hooks = CurrentDrawMapHooks();
  hooks.drawDecorations = [&calls](DrawPort& port, const ViewMapping& mapping, int32_t) {
    calls.push_back(mapping);
    port.SetBrush(BrushForPattern(kPatternSolid, {255, 0, 0}, port.Kind()));
    port.FillRect({mapping.screen.left, mapping.screen.top, mapping.screen.left + 40,
                   mapping.screen.top + 40});
  };
  SetDrawMapHooks(hooks);

  // Three pages across: every page draws them through the image's own mapping, moved by the
  // page's place in the grid.
  SetMapArea({0, 0, 1600, 300});
  CentreViewOn(kScale, 190000000, 130000000);
  QByteArray pdf;
  QBuffer buffer(&pdf);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(96);
  writer.setPageLayout(
      QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
  const ScreenRect printable = DevicePrintableRect(writer, 96);
  const PrintContext context = Context(printable);
  PrintLayout layout = OpeningPrintLayout(PrintSizeChoice::kSpecify, kUnitMiles, context);
  ASSERT_EQ(PrintLayoutSetWidth(layout, context, 2.5 * 768 / 96), 0);
  PrintLayoutSpecify(layout, context);
  ASSERT_EQ(layout.across, 3);
  PrintOutcome outcome;
  ASSERT_EQ(PrintMapPages(writer, Job(layout), outcome), 0);
  ASSERT_EQ(calls.size(), 3u);
  const int32_t pageWidth = printable.right - printable.left;
  for (size_t page = 0; page < calls.size(); ++page) {
    const ViewMapping& m = calls[page];
    EXPECT_EQ(m.screen.left, printable.left - static_cast<int32_t>(page) * pageWidth);
    EXPECT_EQ(m.screen.top, printable.top);
    EXPECT_NEAR(m.screen.right - m.screen.left, outcome.imageWidth, 1);
    EXPECT_NEAR(m.screen.bottom - m.screen.top, outcome.imageHeight, 1);
    EXPECT_EQ(m.world.x1, outcome.world.x1);
    EXPECT_EQ(m.world.y2, outcome.world.y2);
  }

  // On one page the mark lies inside the printable corner, where the window has it.
  ASSERT_TRUE(std::filesystem::exists("/usr/bin/pdftoppm")) << "poppler-utils: run scripts/setup";
  SetMapArea({0, 0, kWidth, kHeight});
  calls.clear();
  const std::filesystem::path folder = Output();
  const QString pdfPath = QString::fromStdString((folder / "marked.pdf").string());
  {
    QPdfWriter single(pdfPath);
    single.setResolution(96);
    single.setPageLayout(
        QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    const PrintContext one = Context(DevicePrintableRect(single, 96));
    ASSERT_EQ(
        PrintMapPages(single, Job(OpeningPrintLayout(PrintSizeChoice::kFitToPage, kUnitMiles, one)),
                      outcome),
        0);
  }
  ASSERT_EQ(calls.size(), 1u);
  const QString pngBase = QString::fromStdString((folder / "marked").string());
  ASSERT_EQ(
      QProcess::execute("/usr/bin/pdftoppm", {"-r", "96", "-png", "-singlefile", pdfPath, pngBase}),
      0);
  const QImage page = QImage(pngBase + ".png").convertToFormat(QImage::Format_RGB32);
  ASSERT_FALSE(page.isNull());
  EXPECT_EQ(qRed(page.pixel(24 + 20, 96 + 20)), 255);
  EXPECT_EQ(qGreen(page.pixel(24 + 20, 96 + 20)), 0);
}

TEST_F(PrintPictureTest, AnEmptyViewPrintsOneValidPage) {
  QByteArray pdf;
  QBuffer buffer(&pdf);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  const PrintContext context = Context(DevicePrintableRect(writer, 96));
  PrintOutcome outcome;
  ASSERT_EQ(PrintMapPages(writer,
                          Job(OpeningPrintLayout(PrintSizeChoice::kFitToPage, kUnitMiles, context)),
                          outcome),
            0);
  buffer.close();
  EXPECT_EQ(PdfPages(pdf), 1);
  EXPECT_TRUE(pdf.startsWith("%PDF"));
}

TEST_F(PrintPictureTest, PageNumbersReadAsThePrintedHeaderHasThem) {
  EXPECT_EQ(PageNumberText(2, 3), QStringLiteral("Page 2 of 3"));
}

TEST_F(PrintPictureTest, BitmapAndPngHoldTheSamePixels) {
  Make(kRectangleObject, WorldBox(100, 100, 200, 180), Area(kColourRed, 1));
  ASSERT_EQ(FlushBufferedFiles(), 0);
  // The fixture's own folder: a second one named after the test would take its place.
  const std::filesystem::path folder = Output();
  PictureOutcome outcome;
  const std::string bmp = (folder / "view.bmp").string();
  const std::string png = (folder / "view.png").string();
  ASSERT_EQ(Save(bmp, PictureKind::kBitmap, Picture(), outcome), 0);
  EXPECT_EQ(outcome.bytes, 54 + 300 * DibRowBytes(400));
  ASSERT_EQ(Save(png, PictureKind::kPng, Picture(), outcome), 0);
  DibImage decoded;
  ASSERT_EQ(DecodeDib(ReadWholeFile(bmp), decoded), 0);
  const QImage read = QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(read.width(), decoded.width);
  ASSERT_EQ(read.height(), decoded.height);
  int differing = 0;
  for (int y = 0; y < read.height(); ++y) {
    for (int x = 0; x < read.width(); ++x) {
      differing += read.pixel(x, y) != decoded.argb[static_cast<size_t>(y) * decoded.width + x];
    }
  }
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(decoded.argb[150 * 400 + 150], 0xFFFF0000u) << "the rectangle is in the bitmap";
}

TEST_F(PrintPictureTest, PictureObjectsBecomeBitmapRecordsInBothMetafiles) {
  InstallQtDrawing();
  QImage picture(10, 10, QImage::Format_RGB32);
  picture.fill(qRgb(0, 200, 0));
  ASSERT_TRUE(picture.save(
      QString::fromStdString((root / "OverlayMaps" / "Harbour" / "dock.png").string())));
  const std::string dock = "dock.png";
  Make(kPictureObject, WorldBox(50, 50, 150, 150), ObjectGraphics(), "", nullptr, &dock);
  ASSERT_EQ(FlushBufferedFiles(), 0);
  // The fixture's own folder: a second one named after the test would take its place.
  const std::filesystem::path folder = Output();
  for (const PictureKind kind : {PictureKind::kMetafile, PictureKind::kEnhancedMetafile}) {
    const std::string path = (folder / "view.pic").string();
    PictureOutcome outcome;
    ASSERT_EQ(Save(path, kind, Picture(), outcome), 0);
    const std::string bytes = ReadWholeFile(path);
    EXPECT_EQ(outcome.bytes, static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(outcome.records, CountMetafileRecords(bytes, kind));
    EXPECT_GT(outcome.records, 2);
    // The picture's 10 x 10 green pixels are in the file as a 24-bit bitmap.
    const std::string header("\x28\0\0\0\x0A\0\0\0\x0A\0\0\0\x01\0\x18\0", 16);
    const size_t at = bytes.find(header);
    ASSERT_NE(at, std::string::npos) << "no bitmap in kind " << static_cast<int>(kind);
    EXPECT_EQ(bytes.substr(at + 40, 3), std::string("\0\xC8\0", 3));
    const uint16_t function = kind == PictureKind::kMetafile ? wmf::kStretchDib : 0;
    if (function != 0) {
      // In a metafile the bitmap follows the record's 22 bytes of parameters.
      EXPECT_EQ(static_cast<uint8_t>(bytes[at - 22 - 2]), function & 0xFF);
      EXPECT_EQ(static_cast<uint8_t>(bytes[at - 22 - 1]), function >> 8);
    }
  }
  SetPictureReader({});
}

TEST_F(PrintPictureTest, ACancelledMetafileSaveKeepsTheOlderFile) {
  Make(kRectangleObject, WorldBox(100, 100, 200, 180), Area(kColourRed, 1));
  ASSERT_EQ(FlushBufferedFiles(), 0);
  // The fixture's own folder: a second one named after the test would take its place.
  const std::filesystem::path folder = Output();
  const std::string path = (folder / "view.wmf").string();
  WriteWholeFile(path, "the older picture");
  for (const PictureKind kind : {PictureKind::kMetafile, PictureKind::kEnhancedMetafile}) {
    PictureRequest request = Picture();
    request.cancelled = [] { return true; };
    PictureOutcome outcome;
    EXPECT_EQ(Save(path, kind, request, outcome), kPictureCancelled);
    EXPECT_EQ(ReadWholeFile(path), "the older picture");
  }
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1) << "no temporary file is left";
}

TEST_F(PrintPictureTest, AnUnwritableFolderFailsOnceAndWritesNothing) {
  // The fixture's own folder: a second one named after the test would take its place.
  const std::filesystem::path folder = Output();
  const std::string path = (folder / "missing" / "view.bmp").string();
  for (const PictureKind kind : {PictureKind::kBitmap, PictureKind::kMetafile,
                                 PictureKind::kEnhancedMetafile, PictureKind::kPng}) {
    PictureOutcome outcome;
    EXPECT_NE(Save(path, kind, Picture(), outcome), 0);
    EXPECT_NE(outcome.failedCall, nullptr);
  }
  EXPECT_FALSE(PathExists(folder / "missing"));
  PictureOutcome outcome;
  PictureRequest empty = Picture();
  empty.width = 0;
  EXPECT_EQ(Save((folder / "x.bmp").string(), PictureKind::kBitmap, empty, outcome), -3);
}

TEST_F(PrintPictureTest, EnhancedMetafileFrameComesFromTheDisplaysSize) {
  PictureRequest request = Picture();
  int32_t width = 0, height = 0;
  EnhancedMetafileFrame(request, width, height);
  EXPECT_EQ(width, 10583);  // 400 pixels at 96 per inch
  EXPECT_EQ(height, 7938);
  request.displayWidthMm = 500;
  request.displayHeightMm = 300;
  request.displayWidthPixels = 2000;
  request.displayHeightPixels = 1000;
  EnhancedMetafileFrame(request, width, height);
  EXPECT_EQ(width, 400 * 500 * 100 / 2000);
  EXPECT_EQ(height, 300 * 300 * 100 / 1000);
}

}  // namespace
}  // namespace tlv::test
