// The grid's layout over given views: the spacing entry, where lines fall and what they say, the
// bottom margin for parallels, the format switch, and lines kept inside the world.
#include "render/grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "geometry/geo_settings.h"

namespace tlv {
namespace {

ViewMapping Mapping(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width = 600,
                    int32_t height = 600) {
  return ViewMapping{WRect{x1, y1, x2, y2}, ScreenRect{0, 0, width, height}};
}

std::vector<GridLine> Majors(const GridLayout& layout, bool meridians) {
  std::vector<GridLine> lines;
  for (const GridLine& line : layout.lines) {
    if (line.major && line.meridian == meridians) lines.push_back(line);
  }
  return lines;
}

TEST(GridTest, ThreeDegreesWideGetsAMeridianEveryDegreeLabelledInWholeDegrees) {
  // 79.5 W to 76.5 W, 37 N to 40 N.
  const GridLayout layout = LayOutGrid(Mapping(100500000, 127000000, 103500000, 130000000),
                                       kFormatDecimalDegrees, false, 30);
  EXPECT_EQ(layout.meridianEntry, 13);
  const std::vector<GridLine> meridians = Majors(layout, true);
  ASSERT_EQ(meridians.size(), 3u);  // 79, 78 and 77 W
  EXPECT_EQ(meridians[0].world, 101000000);
  EXPECT_EQ(meridians[0].label, "79\260W");
  EXPECT_EQ(meridians[0].screen, 100);
  EXPECT_EQ(meridians[2].label, "77\260W");
  // Parallels every degree too (3 / 6 = 0.5 is exceeded first by 1 degree).
  EXPECT_EQ(layout.parallelEntry, 13);
  EXPECT_EQ(Majors(layout, false).front().label, "38\260N");
}

TEST(GridTest, AParallelTooNearTheBottomIsLeftOut) {
  // Six degrees high over 600 pixels: 100 pixels a degree, a parallel every 2 degrees. With the
  // bottom edge at 37.71 N, 38 N lies 29 pixels above it and is left out; at 37.70 N it lies 30
  // pixels above and is drawn.
  const GridLayout near = LayOutGrid(Mapping(100000000, 127710000, 106000000, 133710000),
                                     kFormatDecimalDegrees, false, 30);
  EXPECT_EQ(near.parallelEntry, 14);
  const auto parallels = Majors(near, false);
  ASSERT_FALSE(parallels.empty());
  EXPECT_EQ(parallels.front().label, "40\260N");
  for (const GridLine& line : near.lines) {
    if (!line.meridian) {
      EXPECT_GE(600 - line.screen, 30) << line.label;
    }
  }
  const GridLayout drawn = LayOutGrid(Mapping(100000000, 127700000, 106000000, 133700000),
                                      kFormatDecimalDegrees, false, 30);
  ASSERT_FALSE(Majors(drawn, false).empty());
  EXPECT_EQ(Majors(drawn, false).front().label, "38\260N");
  EXPECT_EQ(Majors(drawn, false).front().screen, 570);
}

TEST(GridTest, TheFormatChangesTheSpacingAndTheLabels) {
  // 0.2 degrees wide: decimal degrees take 0.05 (entry 9), degrees and minutes 3 minutes.
  const ViewMapping mapping = Mapping(101600000, 128500000, 101800000, 128700000);
  const GridLayout decimal = LayOutGrid(mapping, kFormatDecimalDegrees, false, 30);
  const GridLayout minutes = LayOutGrid(mapping, kFormatDegMin, false, 30);
  EXPECT_EQ(decimal.meridianEntry, 9);
  EXPECT_EQ(GridTableEntry(kFormatDecimalDegrees, 9).spacing, 50000);
  EXPECT_EQ(minutes.meridianEntry, 8);
  EXPECT_DOUBLE_EQ(GridTableEntry(kFormatDegMin, 8).spacing, 50000);
  const auto d = Majors(decimal, true);
  const auto m = Majors(minutes, true);
  ASSERT_FALSE(d.empty());
  ASSERT_FALSE(m.empty());
  EXPECT_EQ(d.front().label.find('\222'), std::string::npos);
  EXPECT_NE(m.front().label.find('\222'), std::string::npos) << m.front().label;
  // Lines land on whole multiples of the spacing, rounded, with no drift.
  for (const GridLine& line : m) {
    const double k = line.world / 50000.0;
    EXPECT_NEAR(k, std::round(k), 1e-4) << line.world;
  }
}

TEST(GridTest, MinorLinesDivideEachIntervalAndComeFirst) {
  const ViewMapping mapping = Mapping(100500000, 127000000, 103500000, 130000000);
  const GridLayout layout = LayOutGrid(mapping, kFormatDecimalDegrees, true, 30);
  ASSERT_FALSE(layout.lines.empty());
  EXPECT_FALSE(layout.lines.front().major);
  const auto firstMajor = std::find_if(layout.lines.begin(), layout.lines.end(),
                                       [](const GridLine& l) { return l.major; });
  EXPECT_TRUE(
      std::none_of(firstMajor, layout.lines.end(), [](const GridLine& l) { return !l.major; }));
  // 1 degree in 5 parts: a minor meridian every 0.2 degrees, none on a major one.
  for (const GridLine& line : layout.lines) {
    if (line.major || !line.meridian) continue;
    EXPECT_EQ(line.world % 200000, 0) << line.world;
    EXPECT_NE(line.world % 1000000, 0) << line.world;
    EXPECT_TRUE(line.label.empty());
  }
}

TEST(GridTest, LinesStayInsideTheWorldAndAWorldWideViewStopsAtTheLastEntry) {
  const GridLayout layout =
      LayOutGrid(Mapping(-50000000, 0, 420000000, 180000000), kFormatDecimalDegrees, false, 30);
  EXPECT_EQ(layout.meridianEntry, 22);  // 470 degrees / 5 = 94: 120 degrees
  for (const GridLine& line : layout.lines) {
    EXPECT_GE(line.world, 0);
    EXPECT_LE(line.world, line.meridian ? 360000000 : 180000000);
  }
  EXPECT_EQ(GridEntryFor(1e12, 5.0, kFormatDegMinSec), 23);
  EXPECT_EQ(GridEntryFor(100.0, 5.0, kFormatDegMinSec), 0);
}

}  // namespace
}  // namespace tlv
