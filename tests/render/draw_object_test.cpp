// The integer mapping, the read-buffer size, thematic codes, clipping and label scores of the
// drawing pass, which need no drawing surface.
#include "render/draw_object.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "render/draw_map.h"
#include "render/graphics_tables.h"
#include "render/metafile/wmf_writer.h"

namespace tlv {
namespace {

TEST(IntegerMappingTest, MapsByHalvingOverAPowerOfTwo) {
  IntegerAxis axis;
  // 600 pixels widen to 1024; 6000 world units to 10240, 10 units a pixel. A coordinate on a
  // pixel boundary belongs to the pixel below it, as the halving leaves it.
  axis.Setup(1000, 7000, 0, 600);
  EXPECT_EQ(axis.Power(), 1024);
  EXPECT_EQ(axis.Map(1000), 0);
  EXPECT_EQ(axis.Map(1010), 0);
  EXPECT_EQ(axis.Map(1011), 1);
  EXPECT_EQ(axis.Map(4005), 300);
  EXPECT_EQ(axis.Map(7000), 599);
  // Outside the interval the intervals move by whole widths.
  EXPECT_EQ(axis.Map(1000 - 10240 + 5), -1024);
  EXPECT_EQ(axis.Map(1000 + 2 * 10240 + 15), 2048 + 1);
  IntegerAxis tiny;
  tiny.Setup(100, 101, 0, 2);
  EXPECT_EQ(tiny.Map(300000000), 599999799);

  // Latitudes are flipped: the top edge lands on the first row below the area's top.
  IntegerMapping mapping;
  mapping.Setup({1000, 2000, 7400, 6800}, {0, 0, 640, 480});
  EXPECT_EQ(mapping.Map({1005, 6795}), (ScreenPoint{0, 1}));
  EXPECT_EQ(mapping.Map({7395, 2005}), (ScreenPoint{639, 480}));
  EXPECT_EQ(mapping.MapRect({1105, 2105, 1205, 2205}), (ScreenRect{10, 460, 20, 470}));
}

TEST(IntegerMappingTest, TableGivesWhatTheHalvingGives) {
  uint64_t state = 88172645463325252ull;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  for (int round = 0; round < 40; ++round) {
    IntegerAxis axis;
    const int32_t w0 = static_cast<int32_t>(next() % 300000000);
    const int32_t span = 1 + static_cast<int32_t>(next() % 20000000);
    const int32_t pixels = 1 + static_cast<int32_t>(next() % 2000);
    axis.Setup(w0, w0 + span, static_cast<int32_t>(next() % 100) - 50, pixels);
    for (int i = 0; i < 500; ++i) {
      // Mostly inside the view, some around it, a few far off.
      const int64_t reach = i % 10 == 0 ? 200000000 : span * 2;
      const int32_t c = static_cast<int32_t>(std::clamp<int64_t>(
          w0 - span / 2 + static_cast<int64_t>(next() % (reach + 1)), 0, 360000000));
      ASSERT_EQ(axis.Map(c), axis.MapByHalving(c))
          << w0 << " " << span << " " << pixels << " " << c;
    }
  }
}

TEST(DrawReadBufferTest, SizeFollowsTheRecordCountWithinItsBounds) {
  EXPECT_EQ(DrawReadBufferSize(0), 10000);
  EXPECT_EQ(DrawReadBufferSize(6000), 10000);
  EXPECT_EQ(DrawReadBufferSize(60006), 100000);  // 10001 x 10 = 100010, down to a multiple of 16
  EXPECT_EQ(DrawReadBufferSize(600000000), 10000000);
}

TEST(ThematicCodeTest, DecodesFieldsCustomColoursAndHiding) {
  const ThematicOverride keep = DecodeThematicCode("XXXXX");
  EXPECT_FALSE(keep.hidden);
  EXPECT_EQ(keep.colourCode, -1);
  EXPECT_EQ(keep.fillPattern, -1);

  const ThematicOverride fields = DecodeThematicCode(
      "FA3\x41"
      "2");
  EXPECT_EQ(ColourIndexForCode(fields.colourCode), 15) << "F is table colour 15, Red";
  EXPECT_EQ(fields.fillPattern, 10) << "letters count on from 9";
  EXPECT_EQ(fields.lineType, 3);
  EXPECT_EQ(fields.symbol, 65) << "the raw byte";
  EXPECT_EQ(fields.lineWidth, 2);

  EXPECT_TRUE(DecodeThematicCode("X0XXX").hidden);
  const ThematicOverride custom = DecodeThematicCode("R\x10\x00\x30X");
  EXPECT_FALSE(custom.hidden) << "colour bytes of 0 do not hide";
  EXPECT_TRUE(custom.customColour);
  EXPECT_EQ(custom.colour, (RGBColour{0x10, 0, 0x30}));
  EXPECT_EQ(custom.fillPattern, -1);
  EXPECT_EQ(DecodeThematicCode("R\x01\x02\x03"
                               "5")
                .fillPattern,
            5);
}

TEST(ClipSegmentTest, CutsToTheRectangleAndDropsMisses) {
  const WRect r{0, 0, 100, 100};
  WPoint a{-50, 50}, b{150, 50};
  ASSERT_TRUE(ClipSegmentToWRect(r, a, b));
  EXPECT_EQ(a.x, 0);
  EXPECT_EQ(b.x, 100);
  WPoint c{-50, -50}, d{-10, 200};
  EXPECT_FALSE(ClipSegmentToWRect(r, c, d));
  WPoint e{10, 10}, f{20, 20};
  ASSERT_TRUE(ClipSegmentToWRect(r, e, f));
  EXPECT_EQ(e.x, 10);
  EXPECT_EQ(f.y, 20);
}

TEST(LabelScoreTest, FavoursLongSegmentsInsideTheView) {
  const WRect view{0, 0, 1000, 1000};
  const ScreenRect area{0, 0, 320, 320};
  // Both ends inside (+20), an end in the inner area (+2), longer than an inch (+3).
  EXPECT_EQ(SegmentLabelScore(view, area, 96, {100, 100}, {900, 100}, {32, 288}, {288, 288}), 20);
  // Short and steep with its left end lowest: -5 + 20 + 2 - 2.
  EXPECT_EQ(SegmentLabelScore(view, area, 96, {100, 100}, {110, 200}, {100, 200}, {101, 160}), 15);
  // Ends outside the view.
  EXPECT_EQ(SegmentLabelScore(view, area, 96, {-5, 100}, {-1, 100}, {0, 0}, {1, 0}), -5);
}

TEST(TextLinesTest, CarriageReturnsSeparateLines) {
  EXPECT_EQ(SplitTextLines("a\rb\r\nc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitTextLines(""), (std::vector<std::string>{""}));
}

// A surface that measures text in proportion to its size (as a metafile without fonts does) and
// counts how often a font is chosen.
class CountingPort : public WmfPort {
 public:
  CountingPort() : WmfPort(100, 100, 96, nullptr) {}
  void SetFont(const FontSpec& font) override {
    ++fontsSet;
    WmfPort::SetFont(font);
  }
  int fontsSet = 0;
};

TEST(FitTextSizeTest, FindsTheLargestFittingSizeInFewMeasurements) {
  // The size the text fits at, found the slow way: down one size at a time from the width's
  // estimate, first until the widest line fits, then until the lines fit the height.
  auto stepping = [](const std::vector<std::string>& lines, int32_t width, int32_t height) {
    CountingPort port;
    auto widest = [&](int32_t size) {
      port.SetFont(MakeNumberedFont(kFontArial, size, 0, 0, port.Kind(), false));
      int32_t w = 0;
      for (const std::string& line : lines) w = std::max(w, port.TextWidth(line));
      return w;
    };
    auto tall = [&](int32_t size) {
      port.SetFont(MakeNumberedFont(kFontArial, size, 0, 0, port.Kind(), false));
      const FontMetrics m = port.GetFontMetrics();
      return static_cast<int64_t>(m.ascent + m.descent + m.leading) *
             static_cast<int64_t>(lines.size());
    };
    int32_t size = std::min(kMaxTextBoxPixels, width * 12 / widest(12));
    while (size > 0 && widest(size) > width) --size;
    while (size > 0 && tall(size) > height) --size;
    return size;
  };
  struct Case {
    std::vector<std::string> lines;
    int32_t width, height;
  };
  const Case cases[] = {
      {{"I"}, 20000, 25000},               // one letter at the largest scale: limited by height
      {{"Harbour", "Master"}, 300, 2000},  // limited by width
      {{"Pier"}, 29999, 29999},            // the estimate itself fits
      {{"Quay"}, 3, 40},                   // nothing fits
  };
  for (const Case& c : cases) {
    CountingPort port;
    const int32_t size = FitTextSize(port, c.lines, kFontArial, 0, c.width, c.height, false);
    EXPECT_EQ(size, stepping(c.lines, c.width, c.height)) << c.lines[0];
    EXPECT_LT(port.fontsSet, 40) << c.lines[0] << ": found by halving";
  }
}

}  // namespace
}  // namespace tlv
