// The drawing surface the drawing pass paints on. The screen, a bitmap, a printer page and a
// metafile each implement it, so one pass draws the same picture on all of them. The calls
// follow the pen-brush-raster-mode model of the original graphics services: a shape is filled
// with the current brush and outlined with the current pen, both combined with the destination
// through the current raster mode. Coordinates are device units (pixels), y growing downward.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "geometry/screen.h"

namespace tlv {

struct RGBColour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
};

inline bool operator==(const RGBColour& a, const RGBColour& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

constexpr RGBColour kBlackColour{0, 0, 0};
constexpr RGBColour kWhiteColour{255, 255, 255};

// The dash kinds of a pen. Broken kinds are always one device unit wide.
enum class PenStyle : int16_t {
  kSolid,
  kNone,
  kDash,
  kDot,
  kDashDot,
  kDashDotDot,
};

struct PenSpec {
  RGBColour colour;
  int32_t width = 1;  // device units; 0 and 1 both draw the thinnest line
  PenStyle style = PenStyle::kSolid;
  // Where a broken pen's pattern starts, in device units along the line; stepping it makes the
  // dashes crawl (the reference view's marker on screen).
  int32_t dashOffset = 0;
};

enum class BrushKind : int16_t {
  kNone,     // shapes are not filled
  kSolid,    // the foreground colour everywhere
  kPattern,  // an 8 x 8 monochrome pattern
};

// A pattern's rows run top to bottom, one byte each, the most significant bit leftmost. A 0 bit
// takes the foreground colour and a 1 bit the background colour. Patterns repeat from the
// device origin, so neighbouring shapes filled with one pattern join without a seam.
struct BrushSpec {
  BrushKind kind = BrushKind::kNone;
  RGBColour foreground;
  RGBColour background = kWhiteColour;
  uint8_t bits[8] = {};
};

// How pen and brush combine with what is already drawn.
enum class RasterMode : int16_t {
  kCopy,    // the new colour replaces the old
  kMask,    // new AND old: white leaves the map beneath, colours darken like inks
  kNotXor,  // NOT (new XOR old): drawing the same thing twice restores the old pixels
};

enum class DeviceKind : int16_t {
  kScreen,    // the map window (or its off-screen image)
  kBitmap,    // a picture file saved as pixels
  kPrinter,   // a printer page
  kMetafile,  // a picture file saved as drawing records
};

// Pictures saved to files are laid out slightly differently from the screen and paper.
inline bool IsPictureDevice(DeviceKind kind) {
  return kind == DeviceKind::kBitmap || kind == DeviceKind::kMetafile;
}

// Style bits of a font.
constexpr int16_t kFontBold = 1;
constexpr int16_t kFontItalic = 2;
constexpr int16_t kFontUnderline = 4;

// A font as the drawing pass selects it. The face is the program's own face name ("Arial",
// "TOLVANE2"); each surface maps it to a font it has.
struct FontSpec {
  std::string face;
  int32_t pixelHeight = 12;  // character height in device units
  int16_t style = 0;         // kFontBold | kFontItalic | kFontUnderline
  int32_t weight = 400;      // 100 to 900; 700 is bold
  int32_t escapement = 0;    // rotation in tenths of a degree, counter-clockwise
};

struct FontMetrics {
  int32_t ascent = 0;
  int32_t descent = 0;
  int32_t leading = 0;  // space between lines beyond ascent and descent
};

// The symbol fonts: symbols 0 to 255 come from the first font (one face for the screen, one
// for paper and picture files), 256 to 511 from the second.
enum class SymbolFontId : int16_t {
  kScreenSymbols,  // "TOLVANED"
  kPaperSymbols,   // "TOLVANEP"
  kSecondSymbols,  // "TOLVANE2"
};

class DrawPort {
 public:
  virtual ~DrawPort() = default;

  virtual DeviceKind Kind() const = 0;
  // Device units per inch.
  virtual double PixelsPerInchX() const = 0;
  virtual double PixelsPerInchY() const = 0;

  virtual void SetPen(const PenSpec& pen) = 0;
  virtual void SetBrush(const BrushSpec& brush) = 0;
  virtual void SetRasterMode(RasterMode mode) = 0;

  // Lines with the current pen. LineTo draws from the current position up to, not including,
  // the end point, and moves there.
  virtual void MoveTo(int32_t x, int32_t y) = 0;
  virtual void LineTo(int32_t x, int32_t y) = 0;
  virtual void Polyline(std::span<const ScreenPoint> points) = 0;

  // A closed polygon: filled with the brush (alternate filling, the original default) and
  // outlined with the pen.
  virtual void Polygon(std::span<const ScreenPoint> points) = 0;
  // Several rings filled as one region with the brush, by alternate (even-odd) filling, so a
  // ring inside another makes a hole. ringSizes gives the number of points of each ring in turn.
  // No outline is drawn.
  virtual void FillRegion(std::span<const ScreenPoint> points,
                          std::span<const int32_t> ringSizes) = 0;

  // Rectangles cover left to right - 1 and top to bottom - 1. Fill uses only the brush; Frame
  // only the pen, drawn on the outermost pixels.
  virtual void FillRect(const ScreenRect& rect) = 0;
  virtual void FrameRect(const ScreenRect& rect) = 0;
  // The ellipse inscribed in the rectangle.
  virtual void FillEllipse(const ScreenRect& rect) = 0;
  virtual void FrameEllipse(const ScreenRect& rect) = 0;

  // Text ignores the raster mode and the brush, like the original text output.
  virtual void SetFont(const FontSpec& font) = 0;
  virtual void SetTextColour(RGBColour colour) = 0;
  // With an opaque background the text's cell is first filled with the background colour.
  virtual void SetTextBackground(bool opaque, RGBColour colour) = 0;
  virtual FontMetrics GetFontMetrics() = 0;
  // The advance width of a Windows-1252 text in the current font, unrotated.
  virtual int32_t TextWidth(std::string_view text) = 0;
  // Draws a Windows-1252 text; (x, y) is the top-left corner of its cell (the baseline lies
  // ascent below), and a rotated font turns the text about that corner.
  virtual void DrawText(int32_t x, int32_t y, std::string_view text) = 0;

  // Whether this surface has the symbol font; without it symbols of that font are skipped.
  virtual bool HasSymbolFont(SymbolFontId font) = 0;
  // Draws one glyph of a symbol font filling the square box of side pixelSize whose top-left
  // corner is (x, y). Like text, it ignores the raster mode.
  virtual void DrawSymbolGlyph(SymbolFontId font, uint8_t code, int32_t x, int32_t y,
                               int32_t pixelSize, RGBColour colour) = 0;

  // Draws a picture of width x height 32-bit ARGB pixels (rows top to bottom) scaled into the
  // rectangle, combined with what is beneath by the given raster mode: kCopy puts the picture
  // there as it is; kMask ANDs it, so its white parts leave the map visible and its black stays
  // black. False when the surface cannot show pictures; the caller then draws a stand-in.
  virtual bool DrawPixels(const ScreenRect& rect, int32_t width, int32_t height,
                          const uint32_t* argb, RasterMode mode) {
    (void)rect;
    (void)width;
    (void)height;
    (void)argb;
    (void)mode;
    return false;
  }
  // Pictures are copied unless asked otherwise, whatever mode the shapes before them used.
  bool DrawPixels(const ScreenRect& rect, int32_t width, int32_t height, const uint32_t* argb) {
    return DrawPixels(rect, width, height, argb, RasterMode::kCopy);
  }

  // Limits all drawing to the rectangle until the clip is cleared.
  virtual void SetClipRect(const ScreenRect& rect) = 0;
  virtual void ClearClip() = 0;
};

}  // namespace tlv
