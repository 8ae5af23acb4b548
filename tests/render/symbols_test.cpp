// Symbol numbers to glyphs, the symbol list and the background ranges, and DrawSymbol's calls on
// a recording surface.

#include "render/symbols.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/directory_table.h"
#include "support/test_support.h"

namespace tlv {
namespace {

struct GlyphCall {
  SymbolFontId font;
  uint8_t code;
  int32_t x, y, size;
  RGBColour colour;
};

// Records the symbol glyphs drawn; every other call is not expected from DrawSymbol.
class RecordingPort : public DrawPort {
 public:
  explicit RecordingPort(DeviceKind kind) : kind_(kind) {}
  DeviceKind Kind() const override { return kind_; }
  double PixelsPerInchX() const override { return 96; }
  double PixelsPerInchY() const override { return 96; }
  void SetPen(const PenSpec&) override { ++otherCalls; }
  void SetBrush(const BrushSpec&) override { ++otherCalls; }
  void SetRasterMode(RasterMode) override { ++otherCalls; }
  void MoveTo(int32_t, int32_t) override { ++otherCalls; }
  void LineTo(int32_t, int32_t) override { ++otherCalls; }
  void Polyline(std::span<const ScreenPoint>) override { ++otherCalls; }
  void Polygon(std::span<const ScreenPoint>) override { ++otherCalls; }
  void FillRegion(std::span<const ScreenPoint>, std::span<const int32_t>) override { ++otherCalls; }
  void FillRect(const ScreenRect&) override { ++otherCalls; }
  void FrameRect(const ScreenRect&) override { ++otherCalls; }
  void FillEllipse(const ScreenRect&) override { ++otherCalls; }
  void FrameEllipse(const ScreenRect&) override { ++otherCalls; }
  void SetFont(const FontSpec&) override { ++otherCalls; }
  void SetTextColour(RGBColour) override { ++otherCalls; }
  void SetTextBackground(bool, RGBColour) override { ++otherCalls; }
  FontMetrics GetFontMetrics() override { return {}; }
  int32_t TextWidth(std::string_view) override { return 0; }
  void DrawText(int32_t, int32_t, std::string_view) override { ++otherCalls; }
  bool HasSymbolFont(SymbolFontId font) override {
    return font != SymbolFontId::kSecondSymbols || secondFontInstalled;
  }
  void DrawSymbolGlyph(SymbolFontId font, uint8_t code, int32_t x, int32_t y, int32_t size,
                       RGBColour colour) override {
    glyphs.push_back({font, code, x, y, size, colour});
  }
  void SetClipRect(const ScreenRect&) override { ++otherCalls; }
  void ClearClip() override { ++otherCalls; }

  std::vector<GlyphCall> glyphs;
  int otherCalls = 0;
  bool secondFontInstalled = true;

 private:
  DeviceKind kind_;
};

constexpr RGBColour kRed{255, 0, 0};

class SymbolsTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    ResetSymbolsForTesting();
  }
  void TearDown() override {
    ResetSymbolsForTesting();
    test::CoreTest::TearDown();
  }
};

TEST_F(SymbolsTest, NumbersPickFontAndLowByte) {
  SymbolGlyph glyph;
  ASSERT_TRUE(SymbolGlyphFor(54, DeviceKind::kScreen, false, glyph));
  EXPECT_EQ(glyph.font, SymbolFontId::kScreenSymbols);
  EXPECT_EQ(glyph.code, 54);
  ASSERT_TRUE(SymbolGlyphFor(54, DeviceKind::kScreen, true, glyph));
  EXPECT_EQ(glyph.font, SymbolFontId::kPaperSymbols);
  for (DeviceKind paper : {DeviceKind::kPrinter, DeviceKind::kBitmap, DeviceKind::kMetafile}) {
    ASSERT_TRUE(SymbolGlyphFor(54, paper, false, glyph));
    EXPECT_EQ(glyph.font, SymbolFontId::kPaperSymbols);
  }
  ASSERT_TRUE(SymbolGlyphFor(300, DeviceKind::kPrinter, true, glyph));
  EXPECT_EQ(glyph.font, SymbolFontId::kSecondSymbols);
  EXPECT_EQ(glyph.code, 300 - 256);
  ASSERT_TRUE(SymbolGlyphFor(511, DeviceKind::kScreen, false, glyph));
  EXPECT_EQ(glyph.code, 255);
  for (int32_t outside : {-1, 512, 600, 100000}) {
    EXPECT_FALSE(SymbolGlyphFor(outside, DeviceKind::kScreen, false, glyph)) << outside;
  }
}

TEST_F(SymbolsTest, SecondFontBackgroundsAreFixed) {
  const struct {
    int32_t symbol;
    int32_t background;
  } cases[] = {{287, -1},  {288, 294}, {336, 294}, {337, -1},  {348, -1},  {349, 372}, {375, 372},
               {376, -1},  {381, 382}, {382, 382}, {383, -1},  {384, 372}, {415, 372}, {416, 382},
               {498, 382}, {499, -1},  {500, -1},  {501, 372}, {511, 372}, {512, -1}};
  for (const auto& c : cases) EXPECT_EQ(SymbolBackground(c.symbol), c.background) << c.symbol;
  SymbolGlyph glyph;
  ASSERT_TRUE(SymbolGlyphFor(420, DeviceKind::kScreen, false, glyph));
  EXPECT_TRUE(glyph.hasBackground);
  EXPECT_EQ(glyph.backgroundCode, 382 - 256);
}

TEST_F(SymbolsTest, FirstFontBackgroundsComeFromTheRangesFile) {
  EXPECT_EQ(SymbolBackground(230), -1) << "no ranges before the file is read";
  int32_t badLines = -1;
  ParseSymbolBackgroundRanges(
      "# comment\r\n221\t255\t220\r\n\r\n10\t12\t9\n"
      "5\t4\t220\n1\t2\n1\t2\t3\t4\n300\t301\t220\n7\tx\t220\n20\t21\t999\n",
      badLines);
  EXPECT_EQ(badLines, 6);
  EXPECT_EQ(SymbolBackground(220), -1);
  EXPECT_EQ(SymbolBackground(221), 220);
  EXPECT_EQ(SymbolBackground(255), 220);
  EXPECT_EQ(SymbolBackground(11), 9);
  EXPECT_EQ(SymbolBackground(13), -1);
  EXPECT_EQ(SymbolBackground(4), -1);
  EXPECT_EQ(SymbolBackground(20), -1);
  // A second reading replaces the first.
  ParseSymbolBackgroundRanges("10\t12\t9", badLines);
  EXPECT_EQ(badLines, 0);
  EXPECT_EQ(SymbolBackground(221), -1);
  EXPECT_EQ(SymbolBackground(12), 9);
}

TEST_F(SymbolsTest, TheListDecidesWhichSymbolsHaveGlyphs) {
  EXPECT_FALSE(SymbolListLoaded());
  EXPECT_TRUE(SymbolInList(7)) << "without a list every number in range is drawn";
  EXPECT_FALSE(SymbolInList(512));
  ParseSymbolList("33\tDot\r\n54\tHospital\nnot a line\n600\tToo far\n-1\tNegative\n300\tBox\n");
  EXPECT_TRUE(SymbolListLoaded());
  EXPECT_TRUE(SymbolInList(33));
  EXPECT_TRUE(SymbolInList(300));
  EXPECT_FALSE(SymbolInList(34));
  EXPECT_EQ(SymbolDescription(54), "Hospital");
  EXPECT_EQ(SymbolDescription(33), "Dot");
  EXPECT_EQ(SymbolDescription(34), "");
  SymbolGlyph glyph;
  EXPECT_TRUE(SymbolGlyphFor(54, DeviceKind::kScreen, false, glyph));
  EXPECT_FALSE(SymbolGlyphFor(34, DeviceKind::kScreen, false, glyph));
}

TEST_F(SymbolsTest, ShippedFilesLoadThroughTheFolderTable) {
  ResetDirectoryTableForTesting();
  int32_t dirID = -1;
  ASSERT_EQ(RegisterDirectory(TOLVANE_SOURCE_DIR "/data/fonts/", true, dirID), 0);
  ASSERT_EQ(LoadSymbolList(0, dirID), 0);
  ASSERT_EQ(LoadSymbolBackgroundRanges(0, dirID), 0);
  for (int32_t symbol : {212, 100, 54, 51, 177, 207, 220, 294, 372, 382}) {
    EXPECT_TRUE(SymbolInList(symbol)) << symbol;
    EXPECT_FALSE(SymbolDescription(symbol).empty()) << symbol;
  }
  EXPECT_EQ(SymbolBackground(221), 220);

  test::TempFolder empty;
  int32_t emptyID = -1;
  ASSERT_EQ(RegisterDirectory(empty.folderPath(), true, emptyID), 0);
  EXPECT_NE(LoadSymbolList(0, emptyID), 0);
  EXPECT_TRUE(SymbolInList(212)) << "a failed reading keeps the list in use";
  ResetDirectoryTableForTesting();
}

TEST_F(SymbolsTest, DrawSymbolPutsTheBackgroundGlyphFirstInWhite) {
  RecordingPort port(DeviceKind::kScreen);
  DrawSymbol(port, 420, SymbolBox({100, 50}, 24), kRed, false);
  ASSERT_EQ(port.glyphs.size(), 2u);
  EXPECT_EQ(port.glyphs[0].code, 382 - 256);
  EXPECT_EQ(port.glyphs[0].colour, kWhiteColour);
  EXPECT_EQ(port.glyphs[1].code, 420 - 256);
  EXPECT_EQ(port.glyphs[1].colour, kRed);
  for (const GlyphCall& call : port.glyphs) {
    EXPECT_EQ(call.font, SymbolFontId::kSecondSymbols);
    EXPECT_EQ(call.x, 88);
    EXPECT_EQ(call.y, 38);
    EXPECT_EQ(call.size, 24);
  }
  EXPECT_EQ(port.otherCalls, 0);
}

TEST_F(SymbolsTest, DrawSymbolCentresASquareInAnOblongBox) {
  RecordingPort port(DeviceKind::kBitmap);
  DrawSymbol(port, 54, {10, 20, 50, 30}, kRed, false);
  ASSERT_EQ(port.glyphs.size(), 1u);
  EXPECT_EQ(port.glyphs[0].font, SymbolFontId::kPaperSymbols);
  EXPECT_EQ(port.glyphs[0].x, 25);
  EXPECT_EQ(port.glyphs[0].y, 20);
  EXPECT_EQ(port.glyphs[0].size, 10);
}

TEST_F(SymbolsTest, SymbolsWithoutGlyphOrFontDrawNothing) {
  RecordingPort port(DeviceKind::kScreen);
  DrawSymbol(port, 600, SymbolBox({100, 50}, 24), kRed, false);
  DrawSymbol(port, -1, SymbolBox({100, 50}, 24), kRed, false);
  DrawSymbol(port, 54, {10, 10, 10, 40}, kRed, false);
  port.secondFontInstalled = false;
  DrawSymbol(port, 300, SymbolBox({100, 50}, 24), kRed, false);
  ParseSymbolList("54\tHospital\n");
  DrawSymbol(port, 55, SymbolBox({100, 50}, 24), kRed, false);
  EXPECT_TRUE(port.glyphs.empty());
  EXPECT_EQ(port.otherCalls, 0);
}

}  // namespace
}  // namespace tlv
