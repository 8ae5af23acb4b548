// Drawing passes over the cases where lines, track lines and texts went wrong: a label placed by
// the part of a segment the view shows, circles without track ticks, track lines drawn over the
// map instead of combined with it, and texts at the largest scales.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "qt/draw_map_fixture.h"

namespace tlv::test {
namespace {

using DrawLinesTextTest = DrawMapTest;

TEST_F(DrawLinesTextTest, PolylineLabelScoresWholeSegmentsNotTheirPartInView) {
  // The first segment comes from far left of the view; the second lies inside it. Clipped, the
  // first would seem to lie inside too and win the tie; whole, it loses.
  const std::vector<WPoint> line = {World(-300, 60), World(200, 60), World(380, 200)};
  Make(kPolylineObject, {line[0].x, line[2].y, line[2].x, line[0].y}, Area(kColourRed, 2, 1),
       "Harbour Road", Points(line));
  SetLayer([](LayerRecord& l) { l.scales[2] = 0; });  // names at no scale of the range
  ASSERT_EQ(Draw(), 0);
  const QImage unlabelled = image.copy();
  SetLayer([](LayerRecord& l) { l.displayMode = kDisplayShowNames; });
  image.fill(kMapColour);
  ASSERT_EQ(Draw(), 0);

  int labelPixels = 0, leftOfBend = 0;
  double sumX = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (image.pixel(x, y) == unlabelled.pixel(x, y)) continue;
      ++labelPixels;
      sumX += x;
      leftOfBend += x < 150;
    }
  }
  ASSERT_GT(labelPixels, 40);
  EXPECT_EQ(leftOfBend, 0) << "nothing along the segment that crosses the view's edge";
  EXPECT_GT(sumX / labelPixels, 220) << "the label follows the segment inside the view";
}

TEST_F(DrawLinesTextTest, TrackLinesCombineWithTheMapAndCirclesGetTheirTicks) {
  const std::vector<WPoint> track = {World(50, 40), World(350, 40)};
  Make(kPolylineObject, {track[0].x, track[1].y, track[1].x, track[0].y},
       Area(kColourRed, 2, kLineTrack), "", Points(track));
  // A circle of 200 pixels across, no fill.
  Make(kCircleObject, WorldBox(100, 80, 300, 280), Area(kColourBlack, 2, kLineTrack));
  ASSERT_EQ(Draw(), 0);

  // Red AND (200, 160, 240) is (200, 0, 0); copied it would be pure red.
  EXPECT_GT(CountPixels(QRect(50, 30, 300, 20), qRgb(200, 0, 0)), 250);
  EXPECT_EQ(CountPixels(QRect(50, 30, 300, 20), qRgb(255, 0, 0)), 0);

  // Ticks reach 5 pixels to either side of the frame: count what lies 2 to 5 pixels outside it.
  int outside = 0;
  for (int y = 70; y < 290; ++y) {
    for (int x = 90; x < 310; ++x) {
      const double r = std::hypot(x + 0.5 - 200, y + 0.5 - 180);
      outside += r > 102 && r < 105 && image.pixel(x, y) == qRgb(0, 0, 0);
    }
  }
  // About 62 ticks around a circumference of 628 pixels.
  EXPECT_GT(outside, 60);
}

TEST_F(DrawLinesTextTest, TextDrawsInBoxesUpToTheLargestScale) {
  ObjectGraphics g;
  g.colour = kColourBlack;
  g.textValue = kFontArial;
  g.textCode = 1;
  const std::string text = "I";
  // 200 x 250 pixels here; a hundred times that at 1:500, just within the 30000-pixel limit.
  const WRect box = WorldBox(100, 25, 300, 275);
  Make(kTextObject, box, g, "", nullptr, &text);
  for (int32_t scale : {510, 500}) {
    CentreViewOn(scale, box.x1 + (box.x2 - box.x1) / 2, box.y1 + (box.y2 - box.y1) / 2);
    image.fill(kMapColour);
    ASSERT_EQ(Draw(), 0);
    // The middle of the letter's stem fills the view's centre.
    EXPECT_EQ(CountPixels(QRect(150, 100, 100, 100), qRgb(0, 0, 0)), 100 * 100) << "1:" << scale;
  }
  EXPECT_TRUE(platform().alerts.empty());
}

}  // namespace
}  // namespace tlv::test
