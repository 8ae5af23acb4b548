// The scale values the Overlay Scale Ranges dialog stores and the slider's doubling stops.
#include "catalogue/scale_ranges.h"

#include <gtest/gtest.h>

namespace tlv {
namespace {

TEST(ScaleRangesTest, ValuesAreClampedAndTheRangeOrdered) {
  int32_t scales[4] = {300000000, 100, 0, -5};
  NormaliseScaleRanges(scales);
  EXPECT_EQ(scales[kZoomedInScale], 500);
  EXPECT_EQ(scales[kZoomedOutScale], 262144000);
  EXPECT_EQ(scales[kNamesScale], 500);
  EXPECT_EQ(scales[kDotsScale], 500);
  int32_t ordered[4] = {64000, 24000, 64000, 512000};
  NormaliseScaleRanges(ordered);
  EXPECT_EQ(ordered[kZoomedInScale], 24000);
  EXPECT_EQ(ordered[kZoomedOutScale], 64000);
  EXPECT_EQ(ordered[kNamesScale], 64000) << "only the range's ends are put in order";
}

TEST(ScaleRangesTest, SliderStopsDoubleFromTheSmallestScale) {
  EXPECT_EQ(ScaleOfRangeStop(0), 500);
  EXPECT_EQ(ScaleOfRangeStop(kScaleRangeStops - 1), kScaleRangeLargest);
  EXPECT_EQ(ScaleOfRangeStop(99), kScaleRangeLargest);
  for (int32_t stop = 0; stop < kScaleRangeStops; ++stop) {
    EXPECT_EQ(ScaleRangeStop(ScaleOfRangeStop(stop)), stop);
  }
  EXPECT_EQ(ScaleRangeStop(64000), 7);
  EXPECT_EQ(ScaleRangeStop(90000), 7) << "nearest on the doubling steps";
  EXPECT_EQ(ScaleRangeStop(100000), 8);
  EXPECT_EQ(ScaleRangeStop(1), 0);
}

}  // namespace
}  // namespace tlv
