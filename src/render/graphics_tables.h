// The fixed tables behind an object's graphics: colours and their stored codes, fill patterns,
// line styles and widths, and fonts by number. They turn the eight graphics values of an object
// into the pens, brushes and fonts a DrawPort takes.
#pragma once

#include <cstdint>
#include <string_view>

#include "render/draw_port.h"

namespace tlv {

// Colour table indices (1 to 16), as named by string table 15001 to 15016.
constexpr int16_t kColourBlack = 1;
constexpr int16_t kColourWhite = 2;
constexpr int16_t kColourDarkGray = 3;
constexpr int16_t kColourGray = 4;
constexpr int16_t kColourLightGray = 5;
constexpr int16_t kColourBrown = 6;
constexpr int16_t kColourOlive = 7;
constexpr int16_t kColourDarkGreen = 8;
constexpr int16_t kColourGreen = 9;
constexpr int16_t kColourLightBlue = 10;
constexpr int16_t kColourBlue = 11;
constexpr int16_t kColourDarkBlue = 12;
constexpr int16_t kColourPurple = 13;
constexpr int16_t kColourPink = 14;
constexpr int16_t kColourRed = 15;
constexpr int16_t kColourYellow = 16;
// The "Other..." slot: the object's own RGB, or the overlay's in graphics-override mode. Its
// stored code is the same number.
constexpr int16_t kColourCustom = 17;
constexpr int16_t kColourTableSize = 16;

// The table index a stored colour code stands for; unknown codes draw as Black.
int16_t ColourIndexForCode(int16_t code);
// The code stored for a table index (the reverse of ColourIndexForCode); unknown indices store
// Black.
int16_t ColourCodeForIndex(int16_t index);
// The RGB of a table index: 0 is black, 17 the custom colour, any other unknown index black.
RGBColour ColourOfIndex(int16_t index, RGBColour custom);
RGBColour ColourForCode(int16_t code, RGBColour custom);
// Labels of Light Gray and Yellow objects would vanish on a light map, so they are black.
RGBColour LabelColourForCode(int16_t code, RGBColour custom);

// Fill patterns 1 to 29.
constexpr int16_t kPatternSolid = 1;
constexpr int16_t kPatternNone = 2;
constexpr int16_t kPatternFallback = 4;
constexpr int16_t kPatternCount = 29;

// A number outside 1..29 draws as pattern 4.
int16_t NormalizePattern(int16_t pattern);
// The eight rows of a pattern (after NormalizePattern); printer pages get finer versions of
// patterns 6 to 10.
const uint8_t* PatternRows(int16_t pattern, bool printer);
// Whether an area filled with the pattern counts as patterned: neither solid nor empty.
bool IsPatternedFill(int16_t pattern);
// The brush for a fill pattern in the object colour; pattern 2 gives no brush.
BrushSpec BrushForPattern(int16_t pattern, RGBColour colour, DeviceKind device);
// Solid fills replace the map; pattern fills combine with it like ink.
RasterMode RasterModeForPattern(int16_t pattern);

// Line styles (pen kinds).
constexpr int16_t kLineSolid = 1;
constexpr int16_t kLineNone = 2;
constexpr int16_t kLineDashDotDot = 3;
constexpr int16_t kLineDotted = 4;
constexpr int16_t kLineDashDot = 5;
constexpr int16_t kLineDashedFirst = 6;
constexpr int16_t kLineDashedLast = 9;
constexpr int16_t kLineTrack = 10;

// The pen width a stored line width draws with. With the fat-line setting
// (USEMACSTYLEFATLINESINWINDOWS) a width of 3 or more grows to 2 x width - 2, matching the
// weight those lines had on the original's other platform.
int32_t DrawnLineWidth(int32_t width, bool fatLines);
// The pen for a line style. Only style 1 uses the line width; the others are one unit wide. A
// polyline or a polygon outline passes keepVisible, which draws style 2 dotted instead of not
// at all. Style 10 (track line) gives the plain 1-unit line its ticks are drawn with.
PenSpec PenForLineStyle(int16_t style, int32_t width, RGBColour colour, bool fatLines,
                        bool keepVisible);
// Solid lines replace the map; broken lines combine with it so their gaps leave it visible.
RasterMode RasterModeForLineStyle(int16_t style);

// Fonts by number.
constexpr int16_t kFontSymbols = -1;
constexpr int16_t kFontSymbols2 = -4;
constexpr int16_t kFontCourierNew = 4;
constexpr int16_t kFontArial = 21;

// The face of a font number. Font -1 is the paper face of the symbols in picture files, on
// printer pages and when the printer-font option is on. Unknown numbers give "System".
std::string_view FontFaceForNumber(int16_t number, DeviceKind device, bool printerFont);
// The installed family that stands in for a face name of the original platform (case is
// ignored); a face without a stand-in is returned as it is.
std::string_view SubstituteFontFamily(std::string_view face);
// Whether a face is one of the symbol fonts, whose glyphs sit at U+F000 + code rather than at
// the text's own characters (case is ignored).
bool IsSymbolFontFace(std::string_view face);
// Character height in pixels of a font size: floor(size x 1.33 + 0.5); 0 for sizes below 0.
int32_t FontPixelSize(int32_t size);
// Text objects store a style code (1 plain, 2 bold, 3 italic, 4 underline); fonts take bits.
int16_t FontStyleForTextStyle(int16_t styleCode);
// A font by number with style bits and a rotation in degrees (counter-clockwise).
FontSpec MakeNumberedFont(int16_t number, int32_t size, int16_t style, double rotationDegrees,
                          DeviceKind device, bool printerFont);
// A font given directly by face name.
FontSpec MakeNamedFont(std::string_view face, int32_t size, int16_t style, double rotationDegrees);

// Name labels of objects: Arial at size 9 (7 on printer pages).
constexpr int32_t kLabelFontSize = 9;
constexpr int32_t kLabelPrinterFontSize = 7;
// Labels queued while an overlay draws and drawn after it: Courier New at size 9, opaque.
constexpr int32_t kDeferredLabelFontSize = 9;
// How far a polyline's label starts off its segment.
constexpr int32_t kPolylineLabelGap = 4;

FontSpec MakeLabelFont(DeviceKind device, double rotationDegrees);
FontSpec MakeDeferredLabelFont(DeviceKind device);
// How far below an object's bottom edge its label goes (in a picture file, how far right of
// its right edge): 14 pixels, or trunc(18 x 0.5555555555555556) = 10 units on a printer page.
int32_t LabelGap(DeviceKind device);

}  // namespace tlv
