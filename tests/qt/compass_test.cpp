// Pictures drawn with the AND raster mode, as the compass is: on images the picture's white
// leaves the map and its black stays black; on surfaces without raster operations (paper, PDF)
// the white is keyed out, which looks the same; and the shipped compass picture drawn by the
// decorations step at its default place.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPicture>

#include <string>
#include <vector>

#include "render/decorations.h"
#include "render/qt/qt_draw_port.h"
#include "render/qt/qt_rendering.h"
#include "render/reference_view.h"

namespace tlv {
namespace {

constexpr QRgb kMap = 0xFFC8A0F0;  // (200, 160, 240)

QApplication& App() {
  static int argc = 1;
  static char name[] = "compass_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr) app = new QApplication(argc, argv);
  return *app;
}

// A 2 x 2 picture: white, black, a colour and a transparent pixel; drawn 10 times larger.
const std::vector<uint32_t> kPicture = {0xFFFFFFFF, 0xFF000000, 0xFF0F70FF, 0x00000000};

QRgb And(QRgb a, QRgb b) {
  return qRgb(qRed(a) & qRed(b), qGreen(a) & qGreen(b), qBlue(a) & qBlue(b));
}

TEST(MaskedPicture, OnAnImageWhiteLeavesTheMapAndBlackStaysBlack) {
  App();
  QImage image(40, 40, QImage::Format_RGB32);
  image.fill(kMap);
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    ASSERT_TRUE(port.DrawPixels({10, 10, 30, 30}, 2, 2, kPicture.data(), RasterMode::kMask));
  }
  EXPECT_EQ(image.pixel(14, 14), kMap);                   // white
  EXPECT_EQ(image.pixel(24, 14), qRgb(0, 0, 0));          // black
  EXPECT_EQ(image.pixel(14, 24), And(kMap, 0xFF0F70FF));  // inks darken
  EXPECT_EQ(image.pixel(24, 24), kMap);                   // transparent, as white
  EXPECT_EQ(image.pixel(5, 5), kMap);                     // outside
  // Copied, the same picture covers the map with its white.
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    ASSERT_TRUE(port.DrawPixels({10, 10, 30, 30}, 2, 2, kPicture.data()));
  }
  EXPECT_EQ(image.pixel(14, 14), qRgb(255, 255, 255));
}

TEST(MaskedPicture, WithoutRasterOperationsWhiteIsKeyedOut) {
  App();
  // A recorded picture has no raster operations, like a PDF page or a printer.
  QPicture recorded;
  {
    QPainter painter(&recorded);
    QtDrawPort port(painter, DeviceKind::kPrinter);
    ASSERT_TRUE(port.DrawPixels({10, 10, 30, 30}, 2, 2, kPicture.data(), RasterMode::kMask));
  }
  QImage image(40, 40, QImage::Format_RGB32);
  image.fill(kMap);
  {
    QPainter painter(&image);
    painter.drawPicture(0, 0, recorded);
  }
  EXPECT_EQ(image.pixel(14, 14), kMap);
  EXPECT_EQ(image.pixel(24, 14), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(24, 24), kMap);
}

TEST(MaskedPicture, TheShippedCompassSitsAtItsDefaultPlaceOverTheMap) {
  App();
  PictureImage compass;
  ASSERT_TRUE(ReadPictureWithQt(std::string(TOLVANE_SOURCE_DIR) + "/data/compass.png", compass));
  ASSERT_GT(compass.width, 16);
  ASSERT_GT(compass.height, 16);
  QImage image(500, 400, QImage::Format_RGB32);
  image.fill(kMap);
  DecorationFrame frame;
  frame.area = {0, 0, 500, 400};
  frame.scale = 24000;
  frame.windowWidth = 500;
  DecorationSettings settings;
  settings.shown = kDecorationCompass;
  settings.compassPicture = &compass;
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    DrawMapDecorations(port, frame, settings);
  }
  // Only black and the map's own colour: nothing else is painted, and its white is not there.
  int black = 0;
  QRect changed;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      if (pixel == kMap) continue;
      ASSERT_EQ(pixel, qRgb(0, 0, 0)) << x << "," << y;
      ++black;
      changed |= QRect(x, y, 1, 1);
    }
  }
  EXPECT_GT(black, 50);
  // Centred on (0.2, 0.2) of the area, within the picture's size.
  EXPECT_NEAR(changed.center().x(), 100, 3);
  EXPECT_NEAR(changed.center().y(), 80, 5);
  EXPECT_LE(changed.width(), compass.width);
  EXPECT_LE(changed.height(), compass.height);
}

// The inset's marker on screen is dashed, and each phase shifts its dashes by one pixel; eight
// phases bring them back; on paper the marker is solid whatever the phase.
TEST(ReferenceMarker, EachPhaseShiftsTheDashesByOnePixel) {
  App();
  const std::vector<uint32_t> white(100 * 80, 0xFFFFFFFF);
  const WRect reference{0, 0, 1000, 800};
  const WRect current{100, 100, 900, 700};
  const auto topEdge = [&](DeviceKind kind, int32_t phase) {
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      QtDrawPort port(image, kind);
      DrawReferenceInset(port, {0, 0, 400, 300}, 100, 80, white, reference, current, phase);
    }
    const ReferenceInsetLayout layout = LayoutReferenceInset(
        {0, 0, 400, 300}, kind, image.logicalDpiX(), 100, 80, reference, current);
    std::vector<bool> red;
    for (int x = layout.marker.left; x < layout.marker.right; ++x) {
      red.push_back(image.pixel(x, layout.marker.top) == qRgb(255, 0, 0));
    }
    return red;
  };
  const std::vector<bool> phase0 = topEdge(DeviceKind::kScreen, 0);
  const std::vector<bool> phase1 = topEdge(DeviceKind::kScreen, 1);
  ASSERT_GT(phase0.size(), 20u);
  size_t on = 0;
  for (bool b : phase0) on += b;
  EXPECT_GT(on, phase0.size() / 4) << "dashed, not missing";
  EXPECT_LT(on, phase0.size()) << "dashed, not solid";
  EXPECT_NE(phase0, phase1);
  // One pixel further along the pattern: what phase 0 has at x + 1, phase 1 has at x.
  for (size_t x = 0; x + 2 < phase0.size(); ++x) EXPECT_EQ(phase1[x], phase0[x + 1]) << x;
  EXPECT_EQ(topEdge(DeviceKind::kScreen, 8), phase0);
  const std::vector<bool> paper = topEdge(DeviceKind::kBitmap, 3);
  for (size_t x = 1; x + 1 < paper.size(); ++x) EXPECT_TRUE(paper[x]) << x;
}

}  // namespace
}  // namespace tlv
