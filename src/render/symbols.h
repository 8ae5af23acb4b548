// Point symbols: which glyph of which symbol font draws a symbol number, the white background
// glyph some symbols are drawn over, the symbol list "OverlaySymbols.txt" that names the
// symbols, and drawing one symbol through a DrawPort.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "geometry/screen.h"
#include "render/draw_port.h"

namespace tlv {

constexpr int32_t kSymbolCount = 512;
// Symbols are drawn at this font size (24 pixels).
constexpr int32_t kSymbolFontSize = 18;
constexpr const char* kSymbolListFileName = "OverlaySymbols.txt";
constexpr const char* kSymbolBackgroundFileName = "background_ranges.txt";

struct SymbolGlyph {
  SymbolFontId font = SymbolFontId::kScreenSymbols;
  uint8_t code = 0;
  bool hasBackground = false;
  uint8_t backgroundCode = 0;  // a glyph of the same font
};

// The glyph that draws a symbol on a device; false when nothing is drawn: a number outside
// 0..511 or one the loaded symbol list does not name. The first font's paper face serves
// pictures, printer pages and the printer-font option.
bool SymbolGlyphFor(int32_t symbol, DeviceKind device, bool printerFont, SymbolGlyph& glyph);
// The symbol number of the background glyph drawn under a symbol, or -1.
int32_t SymbolBackground(int32_t symbol);

// The symbol list: one line per symbol, its number, a TAB and its description. Lines that are
// not of that form, and numbers outside 0..511, are skipped. Replaces the list in use.
void ParseSymbolList(std::string_view bytes);
// Reads the list file from a folder; on failure the list in use stays as it was.
int32_t LoadSymbolList(int16_t volume, int32_t dirID);
// Until a list is loaded every symbol 0..511 counts as listed.
bool SymbolListLoaded();
bool SymbolInList(int32_t symbol);
// The description of a listed symbol ("" otherwise).
std::string SymbolDescription(int32_t symbol);

// The first font's background ranges: lines "first TAB last TAB background"; "#" starts a
// comment line. A line that is not three numbers naming first-font symbols with first <= last
// is skipped and counted in badLines. Replaces the ranges in use.
void ParseSymbolBackgroundRanges(std::string_view bytes, int32_t& badLines);
int32_t LoadSymbolBackgroundRanges(int16_t volume, int32_t dirID);

// Back to no list and no first-font ranges.
void ResetSymbolsForTesting();

// The square box a symbol of the given pixel size fills, centred on a point.
ScreenRect SymbolBox(ScreenPoint centre, int32_t pixelSize);
// Draws a symbol into the box (a square centred in it when it is not square): the background
// glyph in white first when the symbol has one, then the symbol in its colour. A symbol that
// has no glyph, or whose font the device lacks, draws nothing.
void DrawSymbol(DrawPort& port, int32_t symbol, const ScreenRect& box, RGBColour colour,
                bool printerFont);

}  // namespace tlv
