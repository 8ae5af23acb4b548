#include "render/graphics_tables.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace tlv {
namespace {

constexpr RGBColour kColourTable[kColourTableSize + 1] = {
    {0, 0, 0},                                       // 0: black
    {0, 0, 0},       {255, 255, 255}, {96, 96, 96},  // Black, White, Dark Gray
    {128, 128, 128}, {192, 192, 192}, {128, 0, 0},   // Gray, Light Gray, Brown
    {128, 128, 0},   {0, 128, 0},     {0, 255, 0},   // Olive, Dark Green, Green
    {0, 255, 255},   {0, 0, 255},     {0, 0, 128},   // Light Blue, Blue, Dark Blue
    {128, 0, 128},   {255, 0, 255},   {255, 0, 0},   // Purple, Pink, Red
    {255, 255, 0},                                   // Yellow
};

constexpr uint8_t kPatterns[kPatternCount + 1][8] = {
    {},                                                // unused
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 1
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // 2
    {0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77},  // 3
    {0x7F, 0xEF, 0xFD, 0xBF, 0xF7, 0xFE, 0xDF, 0xFB},  // 4
    {0x7F, 0xFF, 0xF7, 0xFF, 0x7F, 0xFF, 0xF7, 0xFF},  // 5
    {0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77},  // 6
    {0x00, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF},  // 7
    {0xBB, 0xDD, 0xEE, 0x77, 0xBB, 0xDD, 0xEE, 0x77},  // 8
    {0x77, 0xEE, 0xDD, 0xBB, 0x77, 0xEE, 0xDD, 0xBB},  // 9
    {0xEE, 0xEE, 0x00, 0xEE, 0xEE, 0xEE, 0x00, 0xEE},  // 10
    {0x7F, 0xF7, 0x7F, 0xF7, 0x7F, 0xF7, 0x7F, 0xF7},  // 11
    {0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77},  // 12
    {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55},  // 13
    {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC},  // 14
    {0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66},  // 15
    {0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33},  // 16
    {0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99},  // 17
    {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC},  // 18
    {0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66},  // 19
    {0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33},  // 20
    {0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99},  // 21
    {0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00},  // 22
    {0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00},  // 23
    {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF},  // 24
    {0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF},  // 25
    {0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00},  // 26
    {0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00},  // 27
    {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF},  // 28
    {0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF},  // 29
};

// Printer dots are far smaller than screen pixels, so the coarse screen versions of these
// patterns would print nearly solid; the paper versions thin them out.
constexpr int16_t kFirstPrinterPattern = 6;
constexpr uint8_t kPrinterPatterns[5][8] = {
    {0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F},  // 6
    {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // 7
    {0x7F, 0xBF, 0xDF, 0xEF, 0xF7, 0xFB, 0xFD, 0xFE},  // 8
    {0xFE, 0xFD, 0xFB, 0xF7, 0xEF, 0xDF, 0xBF, 0x7F},  // 9
    {0x00, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F},  // 10
};

struct NumberedFont {
  int16_t number;
  const char* face;
};

constexpr NumberedFont kNumberedFonts[] = {
    {1, "System"},       {2, "MS Serif"},         {3, "MS Sans Serif"}, {4, "Courier New"},
    {22, "Courier New"}, {20, "Times New Roman"}, {21, "Arial"},        {-2, "Arial"},
    {23, "Symbol"},      {-3, "Verdana"},         {-4, "TOLVANE2"},
};

constexpr std::string_view kDefaultFace = "System";

struct FontStandIn {
  const char* face;
  const char* family;
};

// The Liberation faces share the metrics of the faces they stand for, so text fits its boxes
// as it did; the others take the closest DejaVu or Liberation design.
constexpr FontStandIn kFontStandIns[] = {
    {"System", "DejaVu Sans"},
    {"MS Serif", "DejaVu Serif"},
    {"MS Sans Serif", "Liberation Sans"},
    {"Courier New", "Liberation Mono"},
    {"Times New Roman", "Liberation Serif"},
    {"Arial", "Liberation Sans"},
    {"Symbol", "DejaVu Sans"},
    {"Verdana", "DejaVu Sans"},
};

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

int16_t ColourIndexForCode(int16_t code) {
  if ((code >= 1 && code <= 11) || code == 16 || code == kColourCustom) return code;
  switch (code) {
    case 12:
      return kColourPurple;
    case 13:
      return kColourPink;
    case 14:
      return kColourRed;
    case 15:
      return kColourDarkBlue;
    default:
      return kColourBlack;
  }
}

int16_t ColourCodeForIndex(int16_t index) {
  if ((index >= 1 && index <= 11) || index == 16 || index == kColourCustom) return index;
  switch (index) {
    case kColourPurple:
      return 12;
    case kColourPink:
      return 13;
    case kColourRed:
      return 14;
    case kColourDarkBlue:
      return 15;
    default:
      return kColourBlack;
  }
}

RGBColour ColourOfIndex(int16_t index, RGBColour custom) {
  if (index == kColourCustom) return custom;
  if (index < 0 || index > kColourTableSize) return kBlackColour;
  return kColourTable[index];
}

RGBColour ColourForCode(int16_t code, RGBColour custom) {
  return ColourOfIndex(ColourIndexForCode(code), custom);
}

RGBColour LabelColourForCode(int16_t code, RGBColour custom) {
  const int16_t index = ColourIndexForCode(code);
  if (index == kColourLightGray || index == kColourYellow) return kBlackColour;
  return ColourOfIndex(index, custom);
}

int16_t NormalizePattern(int16_t pattern) {
  return pattern >= 1 && pattern <= kPatternCount ? pattern : kPatternFallback;
}

const uint8_t* PatternRows(int16_t pattern, bool printer) {
  pattern = NormalizePattern(pattern);
  if (printer && pattern >= kFirstPrinterPattern &&
      pattern < kFirstPrinterPattern + static_cast<int16_t>(std::size(kPrinterPatterns))) {
    return kPrinterPatterns[pattern - kFirstPrinterPattern];
  }
  return kPatterns[pattern];
}

bool IsPatternedFill(int16_t pattern) {
  pattern = NormalizePattern(pattern);
  return pattern != kPatternSolid && pattern != kPatternNone;
}

BrushSpec BrushForPattern(int16_t pattern, RGBColour colour, DeviceKind device) {
  BrushSpec brush;
  pattern = NormalizePattern(pattern);
  brush.foreground = colour;
  brush.background = kWhiteColour;
  if (pattern == kPatternNone) {
    brush.kind = BrushKind::kNone;
  } else if (pattern == kPatternSolid) {
    brush.kind = BrushKind::kSolid;
  } else {
    brush.kind = BrushKind::kPattern;
    std::memcpy(brush.bits, PatternRows(pattern, device == DeviceKind::kPrinter), 8);
  }
  return brush;
}

RasterMode RasterModeForPattern(int16_t pattern) {
  return NormalizePattern(pattern) == kPatternSolid ? RasterMode::kCopy : RasterMode::kMask;
}

int32_t DrawnLineWidth(int32_t width, bool fatLines) {
  if (width < 1) return 1;
  if (fatLines && width >= 3) return 2 * width - 2;
  return width;
}

PenSpec PenForLineStyle(int16_t style, int32_t width, RGBColour colour, bool fatLines,
                        bool keepVisible) {
  PenSpec pen;
  pen.colour = colour;
  pen.width = 1;
  switch (style) {
    case kLineSolid:
      pen.style = PenStyle::kSolid;
      pen.width = DrawnLineWidth(width, fatLines);
      break;
    case kLineNone:
      pen.style = keepVisible ? PenStyle::kDot : PenStyle::kNone;
      break;
    case kLineDashDotDot:
      pen.style = PenStyle::kDashDotDot;
      break;
    case kLineDotted:
      pen.style = PenStyle::kDot;
      break;
    case kLineDashDot:
      pen.style = PenStyle::kDashDot;
      break;
    default:
      pen.style = style >= kLineDashedFirst && style <= kLineDashedLast ? PenStyle::kDash
                                                                        : PenStyle::kSolid;
      break;
  }
  return pen;
}

RasterMode RasterModeForLineStyle(int16_t style) {
  return style == kLineSolid ? RasterMode::kCopy : RasterMode::kMask;
}

std::string_view FontFaceForNumber(int16_t number, DeviceKind device, bool printerFont) {
  if (number == kFontSymbols) {
    const bool paper = printerFont || device == DeviceKind::kPrinter || IsPictureDevice(device);
    return paper ? "TOLVANEP" : "TOLVANED";
  }
  for (const NumberedFont& font : kNumberedFonts) {
    if (font.number == number) return font.face;
  }
  return kDefaultFace;
}

std::string_view SubstituteFontFamily(std::string_view face) {
  for (const FontStandIn& standIn : kFontStandIns) {
    if (EqualIgnoringCase(face, standIn.face)) return standIn.family;
  }
  return face;
}

bool IsSymbolFontFace(std::string_view face) {
  return EqualIgnoringCase(face, "TOLVANED") || EqualIgnoringCase(face, "TOLVANEP") ||
         EqualIgnoringCase(face, "TOLVANE2");
}

int32_t FontPixelSize(int32_t size) {
  if (size <= 0) return 0;
  // size x 1.33 + 0.5 in whole hundredths, so no rounding of 1.33 can tip the floor.
  return static_cast<int32_t>((static_cast<int64_t>(size) * 133 + 50) / 100);
}

int16_t FontStyleForTextStyle(int16_t styleCode) {
  switch (styleCode) {
    case 2:
      return kFontBold;
    case 3:
      return kFontItalic;
    case 4:
      return kFontUnderline;
    default:
      return 0;
  }
}

FontSpec MakeNamedFont(std::string_view face, int32_t size, int16_t style, double rotationDegrees) {
  FontSpec font;
  font.face = std::string(face);
  font.pixelHeight = FontPixelSize(size);
  font.style = static_cast<int16_t>(style & (kFontBold | kFontItalic | kFontUnderline));
  font.weight = (style & kFontBold) != 0 ? 700 : 400;
  // The platform takes tenths of a degree; the fraction is dropped as a C conversion would.
  // A full turn is taken off first so that no angle can overflow the conversion.
  const double turned = std::isfinite(rotationDegrees) ? std::fmod(rotationDegrees, 360.0) : 0.0;
  font.escapement = static_cast<int32_t>(turned * 10.0);
  return font;
}

FontSpec MakeNumberedFont(int16_t number, int32_t size, int16_t style, double rotationDegrees,
                          DeviceKind device, bool printerFont) {
  FontSpec font =
      MakeNamedFont(FontFaceForNumber(number, device, printerFont), size, style, rotationDegrees);
  if (number == kFontSymbols2 && (style & kFontBold) == 0) font.weight = 500;
  return font;
}

FontSpec MakeLabelFont(DeviceKind device, double rotationDegrees) {
  const int32_t size = device == DeviceKind::kPrinter ? kLabelPrinterFontSize : kLabelFontSize;
  return MakeNumberedFont(kFontArial, size, 0, rotationDegrees, device, false);
}

FontSpec MakeDeferredLabelFont(DeviceKind device) {
  return MakeNumberedFont(kFontCourierNew, kDeferredLabelFontSize, 0, 0, device, false);
}

int32_t LabelGap(DeviceKind device) {
  // Printer labels are smaller, so they sit closer to their objects.
  return device == DeviceKind::kPrinter ? static_cast<int32_t>(18 * 0.5555555555555556) : 14;
}

}  // namespace tlv
