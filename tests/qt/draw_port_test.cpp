// The QPainter drawing surface, checked pixel by pixel in images of a fixed size: pattern bits,
// the three raster modes, regions, rectangles, line widths and styles, text rotation and symbols.

#include "render/qt/qt_draw_port.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <cstring>
#include <vector>

#include "render/graphics_tables.h"
#include "render/qt/symbol_fonts.h"
#include "render/symbols.h"

namespace tlv {
namespace {

constexpr int kSize = 64;
constexpr RGBColour kRed{255, 0, 0};
constexpr QRgb kMapColour = 0xFFC8A0F0;  // (200, 160, 240): every channel has bits to lose

QApplication& App() {
  static int argc = 1;
  static char name[] = "draw_port_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr) app = new QApplication(argc, argv);
  return *app;
}

QImage MapImage(int width = kSize, int height = kSize, QRgb colour = kMapColour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

QRgb Rgb(RGBColour c) {
  return qRgb(c.red, c.green, c.blue);
}

QRgb And(QRgb a, QRgb b) {
  return qRgb(qRed(a) & qRed(b), qGreen(a) & qGreen(b), qBlue(a) & qBlue(b));
}

bool PatternBit(const uint8_t* rows, int x, int y) {
  return ((rows[y % 8] >> (7 - x % 8)) & 1) != 0;
}

// The pixels that differ from a colour, as a bounding box; empty when none does.
QRect ChangedArea(const QImage& image, QRgb unchanged) {
  QRect area;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != unchanged) area |= QRect(x, y, 1, 1);
    }
  }
  return area;
}

int CountPixels(const QImage& image, QRgb colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour;
  }
  return count;
}

class DrawPortTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    App();
    int32_t registered = 0;
    fontsRegistered = RegisterSymbolFontFolder(QStringLiteral(TOLVANE_SOURCE_DIR "/data/fonts"),
                                               registered) == 0 &&
                      registered == 3;
  }
  void SetUp() override { ResetSymbolsForTesting(); }
  void TearDown() override { ResetSymbolsForTesting(); }

  static inline bool fontsRegistered = false;
};

TEST_F(DrawPortTest, PatternBitsTakeTheColourAndLeaveTheMap) {
  QImage image = MapImage();
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    port.SetRasterMode(RasterModeForPattern(4));
    port.SetBrush(BrushForPattern(4, kRed, DeviceKind::kScreen));
    port.FillRect({3, 5, 43, 37});
  }
  const uint8_t* rows = PatternRows(4, false);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const bool inside = x >= 3 && x < 43 && y >= 5 && y < 37;
      // The pattern repeats from the device origin, not from the rectangle's corner.
      const QRgb expected =
          inside && !PatternBit(rows, x, y) ? And(Rgb(kRed), kMapColour) : kMapColour;
      ASSERT_EQ(image.pixel(x, y), expected) << x << "," << y;
    }
  }
}

TEST_F(DrawPortTest, PatternInCopyModePaintsItsBackgroundWhite) {
  QImage image = MapImage();
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    port.SetBrush(BrushForPattern(13, kRed, DeviceKind::kScreen));
    port.FillRect({0, 0, 16, 16});
  }
  EXPECT_EQ(image.pixel(0, 0), Rgb(kWhiteColour));  // 0xAA: leftmost bit set
  EXPECT_EQ(image.pixel(1, 0), Rgb(kRed));
  EXPECT_EQ(image.pixel(0, 1), Rgb(kRed));  // 0x55
  EXPECT_EQ(image.pixel(16, 0), kMapColour);
}

TEST_F(DrawPortTest, PatternsZeroAndThirtyDrawAsFour) {
  auto fill = [](int16_t pattern) {
    QImage image = MapImage();
    QtDrawPort port(image, DeviceKind::kScreen);
    port.SetRasterMode(RasterModeForPattern(pattern));
    port.SetBrush(BrushForPattern(pattern, kRed, DeviceKind::kScreen));
    port.FillRect({0, 0, kSize, kSize});
    port.Flush();
    return image;
  };
  const QImage four = fill(4);
  EXPECT_NE(four, MapImage());
  EXPECT_EQ(fill(0), four);
  EXPECT_EQ(fill(30), four);
  EXPECT_NE(fill(5), four);
}

TEST_F(DrawPortTest, AndDarkensLikeInk) {
  QImage image = MapImage();
  const RGBColour gray{128, 128, 128};
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    port.SetRasterMode(RasterMode::kMask);
    port.SetBrush(BrushForPattern(kPatternSolid, gray, DeviceKind::kScreen));
    port.FillRect({10, 10, 20, 20});
    // White under AND leaves the map as it was.
    port.SetBrush(BrushForPattern(kPatternSolid, kWhiteColour, DeviceKind::kScreen));
    port.FillRect({30, 30, 40, 40});
  }
  EXPECT_EQ(image.pixel(15, 15), And(Rgb(gray), kMapColour));
  EXPECT_EQ(image.pixel(15, 15), qRgb(128, 128, 128 & 240));
  EXPECT_EQ(image.pixel(35, 35), kMapColour);
  EXPECT_EQ(image.pixel(25, 25), kMapColour);
}

TEST_F(DrawPortTest, NotXorTwiceRestoresEveryKindOfShape) {
  QImage image(kSize, kSize, QImage::Format_RGB32);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) image.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) & 0xFF));
  }
  const QImage original = image;
  const std::vector<ScreenPoint> chain = {{2, 2}, {60, 10}, {5, 40}, {50, 60}, {2, 2}};
  const std::vector<ScreenPoint> triangle = {{10, 50}, {30, 20}, {55, 55}};
  auto drawAll = [&](QtDrawPort& port) {
    port.SetRasterMode(RasterMode::kNotXor);
    port.SetPen({{0, 0, 0}, 1, PenStyle::kSolid});
    port.MoveTo(chain[0].x, chain[0].y);
    for (size_t i = 1; i < chain.size(); ++i) port.LineTo(chain[i].x, chain[i].y);
    port.SetPen({{255, 0, 0}, 3, PenStyle::kSolid});
    port.Polyline(triangle);
    port.SetPen({{0, 0, 255}, 1, PenStyle::kDot});
    port.FrameRect({20, 20, 44, 44});
    port.FrameEllipse({4, 30, 30, 60});
    port.SetBrush(BrushForPattern(kPatternSolid, {0, 0, 0}, DeviceKind::kScreen));
    port.FillRect({40, 2, 49, 11});  // a 9 x 9 selection tag
    port.SetBrush(BrushForPattern(8, {0, 255, 0}, DeviceKind::kScreen));
    port.FillEllipse({30, 30, 62, 62});
    port.SetPen({{0, 0, 0}, 1, PenStyle::kNone});
    port.Polygon(triangle);
  };
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    drawAll(port);
  }
  EXPECT_NE(image, original);
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    drawAll(port);
  }
  EXPECT_EQ(image, original);
}

TEST_F(DrawPortTest, RegionsFillByAlternateRule) {
  QImage image = MapImage();
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    port.SetBrush(BrushForPattern(kPatternSolid, kRed, DeviceKind::kScreen));
    // An outer ring, a hole inside it, and a ring of two distinct points.
    const std::vector<ScreenPoint> points = {{4, 4},   {60, 4},  {60, 60}, {4, 60},  {4, 4},
                                             {20, 20}, {44, 20}, {44, 44}, {20, 44}, {20, 20},
                                             {10, 62}, {50, 62}, {10, 62}};
    const std::vector<int32_t> rings = {5, 5, 3};
    port.FillRegion(points, rings);
  }
  EXPECT_EQ(image.pixel(10, 10), Rgb(kRed));
  EXPECT_EQ(image.pixel(32, 32), kMapColour) << "the inner ring makes a hole";
  EXPECT_EQ(image.pixel(2, 2), kMapColour);
  for (int x = 0; x < kSize; ++x) {
    EXPECT_EQ(image.pixel(x, 62), kMapColour) << "the two-point ring filled pixel " << x;
  }
}

TEST_F(DrawPortTest, SingleRingsFillByWindingOnlyWhenAsked) {
  // A five-pointed star traced in one ring: its centre is wound round twice.
  const std::vector<ScreenPoint> star = {{32, 2}, {50, 58}, {3, 23}, {61, 23}, {14, 58}};
  QImage alternate = MapImage();
  {
    QtDrawPort port(alternate, DeviceKind::kScreen);
    port.SetPen(PenSpec{{}, 1, PenStyle::kNone});
    port.SetBrush(BrushForPattern(kPatternSolid, kRed, DeviceKind::kScreen));
    port.Polygon(star);
  }
  EXPECT_EQ(alternate.pixel(32, 34), kMapColour) << "the alternate rule leaves the centre open";
  EXPECT_EQ(alternate.pixel(32, 10), Rgb(kRed));

  QImage winding = MapImage();
  {
    QtDrawPort port(winding, DeviceKind::kPrinter);
    port.SetWindingPolygonFill(true);
    port.SetPen(PenSpec{{}, 1, PenStyle::kNone});
    port.SetBrush(BrushForPattern(kPatternSolid, kRed, DeviceKind::kPrinter));
    port.Polygon(star);
    // Regions keep the alternate rule: the square traced twice encloses nothing.
    const std::vector<ScreenPoint> twice = {{0, 60}, {4, 60}, {4, 63}, {0, 63}, {0, 60},
                                            {0, 60}, {4, 60}, {4, 63}, {0, 63}, {0, 60}};
    const std::vector<int32_t> rings = {5, 5};
    port.FillRegion(twice, rings);
  }
  EXPECT_EQ(winding.pixel(32, 34), Rgb(kRed)) << "the winding rule fills the centre";
  EXPECT_EQ(winding.pixel(32, 10), Rgb(kRed));
  EXPECT_EQ(winding.pixel(2, 61), kMapColour);
}

TEST_F(DrawPortTest, TwoPointRingAloneFillsNothing) {
  QImage image = MapImage();
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    port.SetBrush(BrushForPattern(kPatternSolid, kRed, DeviceKind::kScreen));
    const std::vector<ScreenPoint> points = {{5, 5}, {50, 40}, {5, 5}};
    const std::vector<int32_t> rings = {3};
    port.FillRegion(points, rings);
    // A ring size beyond the points is cut to the points there are.
    const std::vector<int32_t> tooMany = {1000};
    port.FillRegion(points, tooMany);
  }
  EXPECT_EQ(image, MapImage());
}

TEST_F(DrawPortTest, RectanglesCoverExactlyTheirPixels) {
  QImage image = MapImage();
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    port.SetBrush(BrushForPattern(kPatternSolid, kRed, DeviceKind::kScreen));
    port.FillRect({10, 12, 20, 15});
    port.SetPen({kBlackColour, 1, PenStyle::kSolid});
    port.FrameRect({30, 30, 40, 36});
  }
  EXPECT_EQ(ChangedArea(image, kMapColour), QRect(QPoint(10, 12), QPoint(39, 35)));
  EXPECT_EQ(CountPixels(image, Rgb(kRed)), 10 * 3);
  // The frame's outermost pixels only: 2 x 10 + 2 x 4.
  EXPECT_EQ(CountPixels(image, Rgb(kBlackColour)), 28);
  EXPECT_EQ(image.pixel(30, 30), Rgb(kBlackColour));
  EXPECT_EQ(image.pixel(39, 35), Rgb(kBlackColour));
  EXPECT_EQ(image.pixel(35, 33), kMapColour);
}

// Objects seen close up have screen rectangles far larger than the surface.
TEST_F(DrawPortTest, HugeRectanglesAndEllipsesStillCoverTheSurface) {
  constexpr int32_t kFar = 1 << 30;
  QImage image = MapImage();
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    port.SetBrush(BrushForPattern(kPatternSolid, kRed, DeviceKind::kScreen));
    port.FillRect({-kFar, -kFar, kFar, kFar});
    port.SetPen({kBlackColour, 1, PenStyle::kSolid});
    port.FrameRect({-kFar, -kFar, kFar, kFar});
  }
  EXPECT_EQ(CountPixels(image, Rgb(kRed)), kSize * kSize);
  image = MapImage();
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    port.SetBrush(BrushForPattern(kPatternSolid, kRed, DeviceKind::kScreen));
    port.FillEllipse({-kFar, -kFar, kFar, kFar});
  }
  EXPECT_EQ(CountPixels(image, Rgb(kRed)), kSize * kSize);
}

// The thickness of a horizontal line drawn with the pen of a line style and width.
int LineThickness(int32_t width, bool fatLines) {
  QImage image = MapImage();
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    port.SetRasterMode(RasterModeForLineStyle(kLineSolid));
    port.SetPen(PenForLineStyle(kLineSolid, width, kBlackColour, fatLines, false));
    port.MoveTo(10, 32);
    port.LineTo(50, 32);
  }
  int thickness = 0;
  for (int y = 0; y < kSize; ++y) thickness += image.pixel(30, y) == Rgb(kBlackColour);
  return thickness;
}

TEST_F(DrawPortTest, FatLineWidthRule) {
  EXPECT_EQ(LineThickness(1, true), 1);
  EXPECT_EQ(LineThickness(2, true), 2);
  EXPECT_EQ(LineThickness(3, true), 4);
  EXPECT_EQ(LineThickness(4, true), 6);
  EXPECT_EQ(LineThickness(3, false), 3);
  EXPECT_EQ(LineThickness(4, false), 4);
}

TEST_F(DrawPortTest, BrokenLinesLeaveTheMapInTheirGaps) {
  QImage image = MapImage();
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    port.SetRasterMode(RasterModeForLineStyle(kLineNone));
    // A polyline of style 2 is kept visible as a dotted line.
    port.SetPen(PenForLineStyle(kLineNone, 6, kRed, true, true));
    const std::vector<ScreenPoint> line = {{4, 20}, {60, 20}};
    port.Polyline(line);
  }
  const QRgb ink = And(Rgb(kRed), kMapColour);
  // Three on, three off from the start.
  for (int x = 4; x < 28; ++x) {
    EXPECT_EQ(image.pixel(x, 20), ((x - 4) % 6) < 3 ? ink : kMapColour) << x;
  }
  EXPECT_EQ(image.pixel(10, 19), kMapColour);
  EXPECT_EQ(image.pixel(10, 21), kMapColour);
}

TEST_F(DrawPortTest, PatternsKeepDevicePixelsUnderAScalingTransform) {
  QImage image = MapImage();
  {
    QPainter painter(&image);
    painter.scale(4, 4);
    QtDrawPort port(painter, DeviceKind::kPrinter);
    EXPECT_DOUBLE_EQ(port.PixelsPerInchX(), image.logicalDpiX() / 4.0);
    port.SetRasterMode(RasterMode::kMask);
    port.SetBrush(BrushForPattern(13, kRed, DeviceKind::kPrinter));
    port.FillRect({1, 1, 15, 15});  // device pixels 4 to 59
  }
  const QRgb ink = And(Rgb(kRed), kMapColour);
  for (int y = 4; y < 60; ++y) {
    for (int x = 4; x < 60; ++x) {
      ASSERT_EQ(image.pixel(x, y), ((x + y) % 2 == 1) ? ink : kMapColour) << x << "," << y;
    }
  }
  EXPECT_EQ(image.pixel(3, 3), kMapColour);
  EXPECT_EQ(image.pixel(60, 60), kMapColour);
}

// A vector device like the PDF engine behind printer pages: it keeps the brushes it is asked
// to fill with.
class BrushRecordingEngine : public QPaintEngine {
 public:
  BrushRecordingEngine() : QPaintEngine(AllFeatures) {}
  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  void updateState(const QPaintEngineState& state) override {
    if ((state.state() & DirtyBrush) != 0) brush = state.brush();
  }
  void drawRects(const QRect*, int) override { filled.push_back(brush); }
  void drawRects(const QRectF*, int) override { filled.push_back(brush); }
  void drawPath(const QPainterPath&) override { filled.push_back(brush); }
  void drawPolygon(const QPointF*, int, PolygonDrawMode) override { filled.push_back(brush); }
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
  Type type() const override { return User; }

  QBrush brush;
  std::vector<QBrush> filled;
};

class VectorDevice : public QPaintDevice {
 public:
  QPaintEngine* paintEngine() const override { return &engine; }
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth:
      case PdmHeight:
        return 100;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY:
        return 600;
      case PdmDepth:
        return 32;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
      default:
        return 1;
    }
  }
  mutable BrushRecordingEngine engine;
};

// Vector engines cannot AND; an AND pattern fill there puts down its ink bits only (a bitmap
// brush in the object colour), which on paper looks the same.
TEST_F(DrawPortTest, VectorDevicesDrawPatternInkOnly) {
  VectorDevice device;
  {
    QtDrawPort port(device, DeviceKind::kPrinter);
    port.SetRasterMode(RasterModeForPattern(13));
    port.SetBrush(BrushForPattern(13, kRed, DeviceKind::kPrinter));
    port.FillRect({0, 0, 16, 16});
    port.SetRasterMode(RasterMode::kCopy);
    port.FillRect({0, 0, 16, 16});
  }
  ASSERT_EQ(device.engine.filled.size(), 2u);
  const QBrush& ink = device.engine.filled[0];
  EXPECT_EQ(ink.color(), QColor(255, 0, 0));
  ASSERT_TRUE(ink.texture().isQBitmap());
  const QImage mask = ink.texture().toImage();
  // Set bitmap bits are ink: where the pattern has its 0 bits.
  const uint8_t* rows = PatternRows(13, true);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(mask.pixel(x, y) == QColor(Qt::color1).rgb(), !PatternBit(rows, x, y))
          << x << "," << y;
    }
  }
  // In copy mode the pattern is opaque, background bits white.
  const QImage opaque = device.engine.filled[1].textureImage();
  ASSERT_EQ(opaque.size(), QSize(8, 8));
  EXPECT_EQ(opaque.pixel(0, 0), Rgb(kWhiteColour));
  EXPECT_EQ(opaque.pixel(1, 0), Rgb(kRed));
}

TEST_F(DrawPortTest, ClipRectLimitsDrawing) {
  QImage image = MapImage();
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    port.SetClipRect({10, 10, 20, 20});
    port.SetBrush(BrushForPattern(kPatternSolid, kRed, DeviceKind::kScreen));
    port.FillRect({0, 0, kSize, kSize});
    port.ClearClip();
    port.FillRect({40, 40, 41, 41});
  }
  EXPECT_EQ(CountPixels(image, Rgb(kRed)), 101);
  EXPECT_EQ(ChangedArea(image, kMapColour), QRect(QPoint(10, 10), QPoint(40, 40)));
}

TEST_F(DrawPortTest, TextSitsBelowItsPointAndRotatesAboutIt) {
  QImage flat = MapImage(200, 200);
  QImage turned = MapImage(200, 200);
  int32_t width = 0;
  FontMetrics metrics;
  {
    QtDrawPort port(flat, DeviceKind::kScreen);
    port.SetFont(MakeNumberedFont(kFontArial, 18, 0, 0, DeviceKind::kScreen, false));
    port.SetTextColour(kBlackColour);
    width = port.TextWidth("HHHH");
    metrics = port.GetFontMetrics();
    port.DrawText(50, 100, "HHHH");
  }
  EXPECT_GT(width, 40);
  EXPECT_GT(metrics.ascent, 15);
  const int height = metrics.ascent + metrics.descent;
  QRect ink = ChangedArea(flat, kMapColour);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_TRUE(QRect(50, 100, width, height).contains(ink)) << ink.x() << "," << ink.y();
  // Capitals stand on the baseline.
  EXPECT_NEAR(ink.bottom(), 100 + metrics.ascent - 1, 1);
  {
    QtDrawPort port(turned, DeviceKind::kScreen);
    port.SetFont(MakeNumberedFont(kFontArial, 18, 0, 90.0, DeviceKind::kScreen, false));
    port.SetTextColour(kBlackColour);
    port.DrawText(50, 100, "HHHH");
  }
  // Turned a quarter counter-clockwise, the text runs upward from the point and its cell lies
  // to the right.
  ink = ChangedArea(turned, kMapColour);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_TRUE(QRect(50, 100 - width, height, width).adjusted(-1, -1, 1, 1).contains(ink))
      << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
  EXPECT_NEAR(ink.left(), 50 + metrics.descent, 2);
  EXPECT_GT(ink.height(), width * 3 / 4);
}

TEST_F(DrawPortTest, OpaqueTextFillsItsCellAndIgnoresTheRasterMode) {
  QImage image = MapImage(200, 60);
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    port.SetRasterMode(RasterMode::kNotXor);
    port.SetFont(MakeNumberedFont(kFontCourierNew, 9, 0, 0, DeviceKind::kScreen, false));
    port.SetTextColour(kBlackColour);
    port.SetTextBackground(true, kWhiteColour);
    port.DrawText(10, 10, "Label \xE9");  // Windows-1252 e acute
  }
  EXPECT_EQ(image.pixel(10, 10), Rgb(kWhiteColour));
  // Smoothed glyph edges are grey; the strokes are dark, not inverted.
  int dark = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 100;
  }
  EXPECT_GT(dark, 10);
  EXPECT_EQ(image.pixel(5, 5), kMapColour);
}

// Text objects may be set in the symbol font (font -1): their codes show symbols.
TEST_F(DrawPortTest, TextInASymbolFontShowsSymbols) {
  ASSERT_TRUE(fontsRegistered);
  QImage image = MapImage();
  int32_t width = 0;
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    port.SetFont(MakeNumberedFont(kFontSymbols, 18, 0, 0, DeviceKind::kScreen, false));
    port.SetTextColour(kRed);
    width = port.TextWidth("\x22");  // 34, a filled circle
    port.DrawText(20, 20, "\x22");
  }
  EXPECT_EQ(width, 24) << "a symbol is one em wide";
  EXPECT_EQ(image.pixel(32, 32), Rgb(kRed));
  EXPECT_TRUE(QRect(19, 19, 26, 26).contains(ChangedArea(image, kMapColour)));
}

TEST_F(DrawPortTest, SymbolDrawsInsideItsBoxOverItsWhiteBackground) {
  ASSERT_TRUE(fontsRegistered);
  ASSERT_TRUE(SymbolFontInstalled(SymbolFontId::kSecondSymbols));
  ASSERT_TRUE(SymbolFontInstalled(SymbolFontId::kScreenSymbols));
  const int32_t symbol = 420;
  ASSERT_EQ(SymbolBackground(symbol), 382);
  QImage image = MapImage(96, 96, qRgb(255, 0, 0));
  const ScreenRect box = SymbolBox({48, 48}, 48);
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    DrawSymbol(port, symbol, box, {0, 0, 128}, false);
  }
  const QRect changed = ChangedArea(image, qRgb(255, 0, 0));
  ASSERT_FALSE(changed.isEmpty());
  EXPECT_TRUE(QRect(box.left - 1, box.top - 1, 50, 50).contains(changed));
  EXPECT_GT(CountPixels(image, Rgb(kWhiteColour)), 20) << "the background glyph is white";
  EXPECT_NE(image.pixel(48, 48), qRgb(255, 0, 0)) << "the map shows through the symbol";
}

TEST_F(DrawPortTest, SymbolWithoutBackgroundOrGlyphAndSymbolSixHundred) {
  ASSERT_TRUE(fontsRegistered);
  QImage image = MapImage();
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    DrawSymbol(port, 600, SymbolBox({32, 32}, 24), kRed, false);
    DrawSymbol(port, -3, SymbolBox({32, 32}, 24), kRed, false);
  }
  EXPECT_EQ(image, MapImage());
  {
    QtDrawPort port(image, DeviceKind::kBitmap);
    DrawSymbol(port, 34, SymbolBox({32, 32}, 24), kRed, false);  // a filled circle
  }
  EXPECT_EQ(image.pixel(32, 32), Rgb(kRed));
  EXPECT_EQ(CountPixels(image, Rgb(kWhiteColour)), 0);
  EXPECT_TRUE(QRect(19, 19, 26, 26).contains(ChangedArea(image, kMapColour)));
}

}  // namespace
}  // namespace tlv
