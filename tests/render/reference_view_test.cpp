// The reference view inset's layout: the box in the top right corner at every resolution, the
// marker mapped from the reference rectangle, the cross for a tiny marker, the line widths per
// device, and the smallest view holding the current one.
#include "render/reference_view.h"

#include <gtest/gtest.h>

namespace tlv {
namespace {

const ScreenRect kArea{0, 0, 800, 600};
const WRect kReference{100000000, 120000000, 101000000, 120750000};

TEST(ReferenceViewTest, TheInsetSitsTopRightAndTheMarkerMapsTheView) {
  // The current view: the middle quarter of the reference.
  const WRect current{100250000, 120187500, 100750000, 120562500};
  const ReferenceInsetLayout screen =
      LayoutReferenceInset(kArea, DeviceKind::kScreen, 96, 120, 90, kReference, current);
  EXPECT_EQ(screen.box, (ScreenRect{672, 8, 792, 98}));
  EXPECT_EQ(screen.marker, (ScreenRect{702, 31, 762, 76}));
  EXPECT_FALSE(screen.cross);
  EXPECT_EQ(screen.lineWidth, 1);

  // On a 600-dpi page the same inset is 6.25 times larger, in the same place in inches.
  const ScreenRect page{0, 0, 5000, 3750};
  const ReferenceInsetLayout paper =
      LayoutReferenceInset(page, DeviceKind::kPrinter, 600, 120, 90, kReference, current);
  EXPECT_EQ(paper.box, (ScreenRect{4200, 50, 4950, 613}));
  EXPECT_EQ(paper.lineWidth, 9);  // 0.015 inch
  EXPECT_EQ(
      LayoutReferenceInset(kArea, DeviceKind::kBitmap, 96, 120, 90, kReference, current).lineWidth,
      2);

  // A view of a few hundred metres inside a county-sized reference: a cross.
  const WRect tiny{100500000, 120400000, 100503000, 120402000};
  EXPECT_TRUE(
      LayoutReferenceInset(kArea, DeviceKind::kScreen, 96, 120, 90, kReference, tiny).cross);
}

TEST(ReferenceViewTest, TheSmallestViewHoldingTheCurrentOneWins) {
  const WRect current{100400000, 120300000, 100500000, 120400000};
  const std::vector<WRect> views{
      kReference,
      {100300000, 120200000, 100600000, 120500000},  // smaller and holding it
      {100410000, 120300000, 100500000, 120400000},  // smaller still but not holding it
  };
  EXPECT_EQ(SmallestContaining(views, current), 1);
  EXPECT_EQ(SmallestContaining({views[2]}, current), -1);
  EXPECT_EQ(SmallestContaining({}, current), -1);
}

}  // namespace
}  // namespace tlv

namespace tlv {
namespace {

// y of a latitude in world units.
constexpr int32_t Lat(double degrees) {
  return static_cast<int32_t>((degrees + 90.0) * 1000000.0);
}

TEST(ReferenceViewTest, ResizingToAViewShrinksOnlyTheSideTooLongForItsAspect) {
  int32_t width = 800, height = 600;
  // Two degrees by one at the equator: twice as wide as high; the height gives way.
  ShrinkAreaToViewAspect({100000000, Lat(-0.5), 102000000, Lat(0.5)}, width, height);
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 400);
  // A tall view: the width gives way.
  width = 800, height = 600;
  ShrinkAreaToViewAspect({100000000, Lat(-1), 101000000, Lat(1)}, width, height);
  EXPECT_EQ(width, 300);
  EXPECT_EQ(height, 600);
  // At 60 degrees north a degree of longitude is half as long: two by one is square.
  width = 800, height = 600;
  ShrinkAreaToViewAspect({100000000, Lat(59.5), 102000000, Lat(60.5)}, width, height);
  EXPECT_NEAR(width, 600, 2);
  EXPECT_EQ(height, 600);
  // Already of the view's aspect, or an empty view: the size stays.
  width = 800, height = 400;
  ShrinkAreaToViewAspect({100000000, Lat(-0.5), 102000000, Lat(0.5)}, width, height);
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 400);
  ShrinkAreaToViewAspect({5, 5, 5, 9}, width, height);
  EXPECT_EQ(width, 800);
  // A sliver never shrinks a side to nothing.
  width = 800, height = 600;
  ShrinkAreaToViewAspect({100000000, Lat(0), 100000001, Lat(10)}, width, height);
  EXPECT_EQ(width, 1);
}

}  // namespace
}  // namespace tlv
