// The graphics tables: colour codes, patterns, line styles and widths, fonts by number.

#include "render/graphics_tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tlv {
namespace {

constexpr RGBColour kCustom{12, 34, 56};

TEST(GraphicsTablesTest, ColourCodesTranslateBothWays) {
  for (int16_t code = 1; code <= 11; ++code) EXPECT_EQ(ColourIndexForCode(code), code);
  EXPECT_EQ(ColourIndexForCode(16), kColourYellow);
  // The four codes that were stored in another order than the table.
  EXPECT_EQ(ColourIndexForCode(12), kColourPurple);
  EXPECT_EQ(ColourIndexForCode(13), kColourPink);
  EXPECT_EQ(ColourIndexForCode(14), kColourRed);
  EXPECT_EQ(ColourIndexForCode(15), kColourDarkBlue);
  EXPECT_EQ(ColourIndexForCode(kColourCustom), kColourCustom);
  for (int16_t code : {0, 18, -1, 255}) {
    EXPECT_EQ(ColourIndexForCode(code), kColourBlack) << code;
  }
  for (int16_t code = 1; code <= 17; ++code) {
    EXPECT_EQ(ColourCodeForIndex(ColourIndexForCode(code)), code) << code;
  }
}

TEST(GraphicsTablesTest, ColoursComeFromTheTableOrTheCustomSlot) {
  EXPECT_EQ(ColourForCode(14, kCustom), (RGBColour{255, 0, 0}));
  EXPECT_EQ(ColourForCode(15, kCustom), (RGBColour{0, 0, 128}));
  EXPECT_EQ(ColourForCode(3, kCustom), (RGBColour{96, 96, 96}));
  EXPECT_EQ(ColourForCode(16, kCustom), (RGBColour{255, 255, 0}));
  EXPECT_EQ(ColourForCode(17, kCustom), kCustom);
  EXPECT_EQ(ColourForCode(99, kCustom), kBlackColour);
  EXPECT_EQ(ColourOfIndex(0, kCustom), kBlackColour);
  EXPECT_EQ(ColourOfIndex(-5, kCustom), kBlackColour);
}

TEST(GraphicsTablesTest, LightGrayAndYellowObjectsHaveBlackLabels) {
  EXPECT_EQ(LabelColourForCode(5, kCustom), kBlackColour);
  EXPECT_EQ(LabelColourForCode(16, kCustom), kBlackColour);
  EXPECT_EQ(LabelColourForCode(14, kCustom), (RGBColour{255, 0, 0}));
  EXPECT_EQ(LabelColourForCode(17, kCustom), kCustom);
  EXPECT_EQ(LabelColourForCode(2, kCustom), kWhiteColour);
}

TEST(GraphicsTablesTest, PatternsOutsideTheTableDrawAsPatternFour) {
  for (int16_t pattern : {0, 30, -1, 1000}) {
    EXPECT_EQ(NormalizePattern(pattern), kPatternFallback);
    EXPECT_EQ(std::memcmp(PatternRows(pattern, false), PatternRows(4, false), 8), 0);
    EXPECT_TRUE(IsPatternedFill(pattern));
  }
  const uint8_t four[8] = {0x7F, 0xEF, 0xFD, 0xBF, 0xF7, 0xFE, 0xDF, 0xFB};
  EXPECT_EQ(std::memcmp(PatternRows(4, false), four, 8), 0);
  const uint8_t twentyNine[8] = {0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF};
  EXPECT_EQ(std::memcmp(PatternRows(29, false), twentyNine, 8), 0);
}

TEST(GraphicsTablesTest, PrinterPagesGetFinerPatternsSixToTen) {
  const uint8_t printer[5][8] = {
      {0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F},
      {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
      {0x7F, 0xBF, 0xDF, 0xEF, 0xF7, 0xFB, 0xFD, 0xFE},
      {0xFE, 0xFD, 0xFB, 0xF7, 0xEF, 0xDF, 0xBF, 0x7F},
      {0x00, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F},
  };
  for (int16_t pattern = 6; pattern <= 10; ++pattern) {
    EXPECT_EQ(std::memcmp(PatternRows(pattern, true), printer[pattern - 6], 8), 0) << pattern;
    EXPECT_NE(std::memcmp(PatternRows(pattern, false), printer[pattern - 6], 8), 0) << pattern;
  }
  for (int16_t pattern : {3, 5, 11, 29}) {
    EXPECT_EQ(PatternRows(pattern, true), PatternRows(pattern, false)) << pattern;
  }
  const BrushSpec onPaper = BrushForPattern(8, kCustom, DeviceKind::kPrinter);
  EXPECT_EQ(std::memcmp(onPaper.bits, printer[2], 8), 0);
  const BrushSpec inPicture = BrushForPattern(8, kCustom, DeviceKind::kBitmap);
  EXPECT_EQ(std::memcmp(inPicture.bits, PatternRows(8, false), 8), 0);
}

TEST(GraphicsTablesTest, BrushesAndRasterModesOfFills) {
  const BrushSpec solid = BrushForPattern(kPatternSolid, kCustom, DeviceKind::kScreen);
  EXPECT_EQ(solid.kind, BrushKind::kSolid);
  EXPECT_EQ(solid.foreground, kCustom);
  EXPECT_EQ(RasterModeForPattern(kPatternSolid), RasterMode::kCopy);
  EXPECT_FALSE(IsPatternedFill(kPatternSolid));

  EXPECT_EQ(BrushForPattern(kPatternNone, kCustom, DeviceKind::kScreen).kind, BrushKind::kNone);
  EXPECT_FALSE(IsPatternedFill(kPatternNone));

  const BrushSpec hatch = BrushForPattern(13, kCustom, DeviceKind::kScreen);
  EXPECT_EQ(hatch.kind, BrushKind::kPattern);
  EXPECT_EQ(hatch.foreground, kCustom);
  EXPECT_EQ(hatch.background, kWhiteColour);
  EXPECT_EQ(hatch.bits[0], 0xAA);
  EXPECT_EQ(RasterModeForPattern(13), RasterMode::kMask);
  EXPECT_EQ(RasterModeForPattern(0), RasterMode::kMask);
}

TEST(GraphicsTablesTest, FatLineWidths) {
  EXPECT_EQ(DrawnLineWidth(1, true), 1);
  EXPECT_EQ(DrawnLineWidth(2, true), 2);
  EXPECT_EQ(DrawnLineWidth(3, true), 4);
  EXPECT_EQ(DrawnLineWidth(4, true), 6);
  EXPECT_EQ(DrawnLineWidth(10, true), 18);
  EXPECT_EQ(DrawnLineWidth(4, false), 4);
  EXPECT_EQ(DrawnLineWidth(10, false), 10);
  EXPECT_EQ(DrawnLineWidth(0, true), 1);
  EXPECT_EQ(DrawnLineWidth(-7, false), 1);
}

TEST(GraphicsTablesTest, LineStylesGivePens) {
  const PenSpec solid = PenForLineStyle(kLineSolid, 4, kCustom, true, false);
  EXPECT_EQ(solid.style, PenStyle::kSolid);
  EXPECT_EQ(solid.width, 6);
  EXPECT_EQ(solid.colour, kCustom);
  EXPECT_EQ(PenForLineStyle(kLineSolid, 4, kCustom, false, false).width, 4);

  // Every other style is one unit wide whatever the stored width.
  const struct {
    int16_t style;
    PenStyle pen;
  } cases[] = {{3, PenStyle::kDashDotDot}, {4, PenStyle::kDot},   {5, PenStyle::kDashDot},
               {6, PenStyle::kDash},       {9, PenStyle::kDash},  {10, PenStyle::kSolid},
               {0, PenStyle::kSolid},      {11, PenStyle::kSolid}};
  for (const auto& c : cases) {
    const PenSpec pen = PenForLineStyle(c.style, 8, kCustom, true, false);
    EXPECT_EQ(pen.style, c.pen) << c.style;
    EXPECT_EQ(pen.width, 1) << c.style;
  }

  EXPECT_EQ(PenForLineStyle(kLineNone, 8, kCustom, true, false).style, PenStyle::kNone);
  // Polylines and polygon outlines stay visible.
  const PenSpec visible = PenForLineStyle(kLineNone, 8, kCustom, true, true);
  EXPECT_EQ(visible.style, PenStyle::kDot);
  EXPECT_EQ(visible.width, 1);

  EXPECT_EQ(RasterModeForLineStyle(kLineSolid), RasterMode::kCopy);
  EXPECT_EQ(RasterModeForLineStyle(kLineDotted), RasterMode::kMask);
  EXPECT_EQ(RasterModeForLineStyle(kLineTrack), RasterMode::kMask);
}

TEST(GraphicsTablesTest, FontsByNumber) {
  const struct {
    int16_t number;
    const char* face;
  } faces[] = {{1, "System"},      {2, "MS Serif"},     {3, "MS Sans Serif"},
               {4, "Courier New"}, {22, "Courier New"}, {20, "Times New Roman"},
               {21, "Arial"},      {-2, "Arial"},       {23, "Symbol"},
               {-3, "Verdana"},    {-4, "TOLVANE2"},    {77, "System"}};
  for (const auto& f : faces) {
    EXPECT_EQ(FontFaceForNumber(f.number, DeviceKind::kScreen, false), f.face) << f.number;
  }
  EXPECT_EQ(FontFaceForNumber(-1, DeviceKind::kScreen, false), "TOLVANED");
  EXPECT_EQ(FontFaceForNumber(-1, DeviceKind::kScreen, true), "TOLVANEP");
  EXPECT_EQ(FontFaceForNumber(-1, DeviceKind::kPrinter, false), "TOLVANEP");
  EXPECT_EQ(FontFaceForNumber(-1, DeviceKind::kBitmap, false), "TOLVANEP");
  EXPECT_EQ(FontFaceForNumber(-1, DeviceKind::kMetafile, false), "TOLVANEP");

  EXPECT_EQ(SubstituteFontFamily("Arial"), "Liberation Sans");
  EXPECT_EQ(SubstituteFontFamily("courier new"), "Liberation Mono");
  EXPECT_EQ(SubstituteFontFamily("Times New Roman"), "Liberation Serif");
  EXPECT_EQ(SubstituteFontFamily("TOLVANE2"), "TOLVANE2");
  EXPECT_TRUE(IsSymbolFontFace("TOLVANED"));
  EXPECT_TRUE(IsSymbolFontFace("tolvanep"));
  EXPECT_TRUE(IsSymbolFontFace("TOLVANE2"));
  EXPECT_FALSE(IsSymbolFontFace("Arial"));
  EXPECT_FALSE(IsSymbolFontFace("TOLVANE"));
}

TEST(GraphicsTablesTest, FontSizesStylesAndRotation) {
  EXPECT_EQ(FontPixelSize(9), 12);   // 11.97 + 0.5
  EXPECT_EQ(FontPixelSize(7), 9);    // 9.31 + 0.5
  EXPECT_EQ(FontPixelSize(12), 16);  // 15.96 + 0.5
  EXPECT_EQ(FontPixelSize(18), 24);  // symbols
  EXPECT_EQ(FontPixelSize(50), 67);  // exactly 66.5 + 0.5
  EXPECT_EQ(FontPixelSize(150), 200);
  EXPECT_EQ(FontPixelSize(0), 0);
  EXPECT_EQ(FontPixelSize(-3), 0);

  const FontSpec bold =
      MakeNumberedFont(21, 9, kFontBold | kFontUnderline, 30.0, DeviceKind::kScreen, false);
  EXPECT_EQ(bold.face, "Arial");
  EXPECT_EQ(bold.pixelHeight, 12);
  EXPECT_EQ(bold.weight, 700);
  EXPECT_EQ(bold.style, kFontBold | kFontUnderline);
  EXPECT_EQ(bold.escapement, 300);

  EXPECT_EQ(MakeNumberedFont(21, 9, kFontItalic, 0, DeviceKind::kScreen, false).weight, 400);
  EXPECT_EQ(MakeNumberedFont(-4, 18, 0, 0, DeviceKind::kScreen, false).weight, 500);
  EXPECT_EQ(MakeNumberedFont(-4, 18, kFontBold, 0, DeviceKind::kScreen, false).weight, 700);
  // Label angles come from atan2 in degrees; tenths are passed on without the fraction.
  EXPECT_EQ(MakeNamedFont("Arial", 9, 0, -45.67).escapement, -456);
  EXPECT_EQ(MakeNamedFont("Arial", 9, 0, 725.0).escapement, 50);

  EXPECT_EQ(FontStyleForTextStyle(1), 0);
  EXPECT_EQ(FontStyleForTextStyle(2), kFontBold);
  EXPECT_EQ(FontStyleForTextStyle(3), kFontItalic);
  EXPECT_EQ(FontStyleForTextStyle(4), kFontUnderline);
  EXPECT_EQ(FontStyleForTextStyle(9), 0);
}

TEST(GraphicsTablesTest, LabelFontsAndGaps) {
  const FontSpec screen = MakeLabelFont(DeviceKind::kScreen, 12.5);
  EXPECT_EQ(screen.face, "Arial");
  EXPECT_EQ(screen.pixelHeight, 12);
  EXPECT_EQ(screen.escapement, 125);
  EXPECT_EQ(MakeLabelFont(DeviceKind::kPrinter, 0).pixelHeight, 9);
  EXPECT_EQ(MakeLabelFont(DeviceKind::kBitmap, 0).pixelHeight, 12);
  const FontSpec deferred = MakeDeferredLabelFont(DeviceKind::kScreen);
  EXPECT_EQ(deferred.face, "Courier New");
  EXPECT_EQ(deferred.pixelHeight, 12);
  EXPECT_EQ(LabelGap(DeviceKind::kScreen), 14);
  EXPECT_EQ(LabelGap(DeviceKind::kBitmap), 14);
  EXPECT_EQ(LabelGap(DeviceKind::kPrinter), 10);
}

}  // namespace
}  // namespace tlv
