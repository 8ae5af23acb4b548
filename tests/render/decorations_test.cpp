// Where the floating decorations go (default places, positions out of range, boxes kept inside
// the map area, the way back from a dragged box to a position), the compass's enlargement on
// large drawing areas, and which decoration lies under the pointer.
#include "render/decorations.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/picture_port.h"

namespace tlv {
namespace {

constexpr ScreenRect kArea{0, 0, 1000, 800};

PictureImage Picture(int32_t width, int32_t height) {
  PictureImage picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFFFFFFFF);
  return picture;
}

TEST(DecorationPlaceTest, UnsetTakesTheDefaultAndOutOfRangeIsClamped) {
  const ScreenRect atDefault =
      PlaceDecorationBox(kArea, kDecorationUnset, kDecorationUnset, 0.2, 0.2, 40, 60);
  EXPECT_EQ(atDefault.left, 180);
  EXPECT_EQ(atDefault.top, 130);
  EXPECT_EQ(atDefault.right - atDefault.left, 40);
  // 48000 is clamped to the right edge and the box moved in: its grown box ends at the edge.
  const ScreenRect clamped = PlaceDecorationBox(kArea, 48000, -5, 0.2, 0.2, 40, 60);
  EXPECT_EQ(clamped.right + kDecorationBoxGrowth, kArea.right);
  EXPECT_EQ(clamped.top - kDecorationBoxGrowth, kArea.top);
  EXPECT_EQ(clamped.bottom - clamped.top, 60);
}

TEST(DecorationPlaceTest, BoxesNearAnEdgeStayInsideAndTooLargeOnesKeepTheirStart) {
  for (const int32_t position : {0, 300, 16000, 31800, 32000}) {
    const ScreenRect box = PlaceDecorationBox(kArea, position, position, 0.5, 0.5, 100, 50);
    EXPECT_GE(box.left - kDecorationBoxGrowth, kArea.left) << position;
    EXPECT_LE(box.right + kDecorationBoxGrowth, kArea.right) << position;
    EXPECT_GE(box.top - kDecorationBoxGrowth, kArea.top) << position;
    EXPECT_LE(box.bottom + kDecorationBoxGrowth, kArea.bottom) << position;
    EXPECT_EQ(box.right - box.left, 100);
  }
  // A box wider than a small area starts at its left edge rather than off it.
  const ScreenRect small{100, 100, 150, 400};
  const ScreenRect wide = PlaceDecorationBox(small, 32000, 16000, 0.5, 0.5, 288, 29);
  EXPECT_EQ(wide.left - kDecorationBoxGrowth, small.left);
}

TEST(DecorationPlaceTest, ADraggedCentreGivesBackItsPositionOnAnyArea) {
  const ScreenRect offset{50, 30, 850, 630};
  for (const int32_t x : {1000, 6400, 16000, 25600, 31000}) {
    int32_t px = 0, py = 0;
    const ScreenRect box = PlaceDecorationBox(offset, x, 32000 - x, 0.2, 0.2, 0, 0);
    DecorationPositionAt(offset, {box.left, box.top}, px, py);
    // One pixel of the area is 40 units of 1/32000 here.
    EXPECT_NEAR(px, x, 40) << x;
    EXPECT_NEAR(py, 32000 - x, 54) << x;
  }
  int32_t px = 0, py = 0;
  DecorationPositionAt(offset, {-400, 5000}, px, py);
  EXPECT_EQ(px, 0);
  EXPECT_EQ(py, kDecorationScale);
  // An empty area cannot divide: the position is its corner, not a division by zero.
  DecorationPositionAt({10, 10, 10, 10}, {10, 10}, px, py);
  EXPECT_EQ(px, 0);
  EXPECT_EQ(py, 0);
}

TEST(CompassTest, EnlargedByTheWholeRatioOfTheAreaToTheWindow) {
  EXPECT_EQ(CompassEnlargement(1000, 1000), 1);
  EXPECT_EQ(CompassEnlargement(1400, 1000), 1);
  EXPECT_EQ(CompassEnlargement(1500, 1000), 2);
  EXPECT_EQ(CompassEnlargement(5100, 1000), 5);
  // Smaller than the window, or no window known: never shrunk, never zero.
  EXPECT_EQ(CompassEnlargement(300, 1000), 1);
  EXPECT_EQ(CompassEnlargement(1000, 0), 1);
  const CompassLayout layout = LayOutCompass(kArea, 44, 60, 3, {});
  EXPECT_EQ(layout.picture.right - layout.picture.left, 132);
  EXPECT_EQ(layout.picture.bottom - layout.picture.top, 180);
  EXPECT_EQ((layout.picture.left + layout.picture.right) / 2, 200);
  EXPECT_EQ((layout.picture.top + layout.picture.bottom) / 2, 160);
  EXPECT_EQ(layout.box.left, layout.picture.left - 3);
  EXPECT_EQ(layout.box.bottom, layout.picture.bottom + 3);
}

TEST(DecorationsTest, TheCompassIsAndedIntoItsPlaceAndNeedsAPicture) {
  const PictureImage picture = Picture(44, 60);
  DecorationFrame frame;
  frame.area = kArea;
  frame.scale = 24000;
  frame.windowWidth = 1000;
  DecorationSettings settings;
  settings.shown = kDecorationCompass;
  settings.compass.positionX = 16000;
  settings.compass.positionY = 16000;
  settings.compassPicture = &picture;
  test::PicturePort port;
  DrawMapDecorations(port, frame, settings);
  ASSERT_EQ(port.pictures.size(), 1u);
  EXPECT_EQ(port.pictures[0].mode, RasterMode::kMask);
  EXPECT_EQ(port.pictures[0].rect.left, 478);
  EXPECT_EQ(port.pictures[0].rect.top, 370);
  EXPECT_EQ(port.pictures[0].width, 44);
  // A page five times the window's width draws it five times larger.
  frame.area = {0, 0, 5000, 4000};
  DrawMapDecorations(port, frame, settings);
  ASSERT_EQ(port.pictures.size(), 2u);
  EXPECT_EQ(port.pictures[1].rect.right - port.pictures[1].rect.left, 220);
  // Without its picture the compass is left out and not laid out either.
  settings.compassPicture = nullptr;
  DrawMapDecorations(port, frame, settings);
  EXPECT_EQ(port.pictures.size(), 2u);
  EXPECT_EQ(LayOutMapDecorations(port, frame, settings).shown, 0u);
}

TEST(DecorationsTest, ThePointerFindsTheTopmostBoxAndOnlyShownOnes) {
  const PictureImage picture = Picture(40, 40);
  DecorationFrame frame;
  frame.area = kArea;
  frame.scale = 24000;
  frame.windowWidth = 1000;
  DecorationSettings settings;
  settings.shown = kDecorationScaleBar | kDecorationCompass | kDecorationTimeStamp;
  settings.compassPicture = &picture;
  // The compass on the scale bar's place; the time stamp elsewhere.
  settings.compass.positionX = 25600;
  settings.compass.positionY = 22400;
  test::PicturePort port;
  const DecorationLayouts layouts = LayOutMapDecorations(port, frame, settings);
  EXPECT_EQ(layouts.shown, settings.shown);
  const ScreenPoint barCentre{800, 560};
  EXPECT_EQ(DecorationAt(layouts, barCentre), kDecorationCompass);
  const ScreenRect bar = DecorationBox(layouts, kDecorationScaleBar);
  EXPECT_EQ(DecorationAt(layouts, {bar.left + 1, bar.top + 1}), kDecorationScaleBar);
  // Right and bottom edges are outside, as for every rectangle.
  EXPECT_EQ(DecorationAt(layouts, {bar.right, bar.top + 1}), 0u);
  const ScreenRect stamp = DecorationBox(layouts, kDecorationTimeStamp);
  EXPECT_EQ(DecorationAt(layouts, {stamp.left, stamp.top}), kDecorationTimeStamp);
  EXPECT_EQ(DecorationAt(layouts, {10, 10}), 0u);
  settings.shown = kDecorationTimeStamp;
  const DecorationLayouts stampOnly = LayOutMapDecorations(port, frame, settings);
  EXPECT_EQ(DecorationAt(stampOnly, barCentre), 0u);
  EXPECT_TRUE(DecorationBox(stampOnly, kDecorationScaleBar).right == 0);
}

}  // namespace
}  // namespace tlv
