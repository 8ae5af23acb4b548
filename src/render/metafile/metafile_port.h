// The drawing surface of picture files made of drawing records: a placeable metafile (WMF) or
// an enhanced metafile (EMF). Both formats record the same graphics-device calls, so one class
// keeps the device state (selected pen, brush and font, raster mode, text colours, clipping)
// and emits only the records a drawing call needs; each format writes its own records.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "render/draw_port.h"

namespace tlv {

// Values of the recorded graphics-device calls, shared by both formats.
namespace gdi {
constexpr uint16_t kPenSolid = 0;
constexpr uint16_t kPenDash = 1;
constexpr uint16_t kPenDot = 2;
constexpr uint16_t kPenDashDot = 3;
constexpr uint16_t kPenDashDotDot = 4;
constexpr uint16_t kPenNull = 5;
constexpr uint16_t kBrushSolid = 0;
constexpr uint16_t kBrushNull = 1;
constexpr uint16_t kBrushDibPattern = 5;
constexpr uint16_t kRopCopyPen = 13;
constexpr uint16_t kRopMaskPen = 9;
constexpr uint16_t kRopNotXorPen = 10;
constexpr uint16_t kBkTransparent = 1;
constexpr uint16_t kBkOpaque = 2;
constexpr uint16_t kFillAlternate = 1;
constexpr uint32_t kRopSourceCopy = 0x00CC0020;
constexpr uint32_t kRopSourceAnd = 0x008800C6;
constexpr uint16_t kDibRgbColours = 0;
constexpr uint8_t kDefaultCharset = 1;
constexpr uint8_t kSymbolCharset = 2;
// A monochrome 8 x 8 pattern as a device-independent bitmap: header, two colours, 8 rows of 4.
constexpr int32_t kPatternDibHeaderSize = 40;
constexpr int32_t kPatternDibSize = kPatternDibHeaderSize + 8 + 32;
}  // namespace gdi

// Little-endian appenders; both formats store their numbers that way.
void AppendU8(std::string& out, uint8_t value);
void AppendU16(std::string& out, uint16_t value);
void AppendU32(std::string& out, uint32_t value);
inline void AppendI16(std::string& out, int16_t value) {
  AppendU16(out, static_cast<uint16_t>(value));
}
inline void AppendI32(std::string& out, int32_t value) {
  AppendU32(out, static_cast<uint32_t>(value));
}
// A colour as stored: red, green, blue, 0.
void AppendColourRef(std::string& out, RGBColour colour);
// The pattern bitmap: 0 bits take the foreground colour (entry 0), 1 bits the background.
void AppendPatternDib(std::string& out, const BrushSpec& brush);
uint16_t GdiPenStyle(PenStyle style);
uint16_t GdiRop2(RasterMode mode);
// The Unicode character of a Windows-1252 byte.
char16_t UnicodeOfWindows1252(uint8_t code);

class MetafilePort : public DrawPort {
 public:
  // width and height in device units at pixelsPerInch. The measurer, when given, answers the
  // text measuring calls (a file has no fonts of its own); without it widths are estimated.
  MetafilePort(int32_t width, int32_t height, double pixelsPerInch, DrawPort* measurer);

  // Ends the drawing (the clip and the objects are released) and gives the whole file image.
  // Nothing more may be drawn afterwards.
  virtual std::string Finish() = 0;

  DeviceKind Kind() const override { return DeviceKind::kMetafile; }
  double PixelsPerInchX() const override { return pixelsPerInch_; }
  double PixelsPerInchY() const override { return pixelsPerInch_; }

  void SetPen(const PenSpec& pen) override;
  void SetBrush(const BrushSpec& brush) override;
  void SetRasterMode(RasterMode mode) override;
  void MoveTo(int32_t x, int32_t y) override;
  void LineTo(int32_t x, int32_t y) override;
  void Polyline(std::span<const ScreenPoint> points) override;
  void Polygon(std::span<const ScreenPoint> points) override;
  void FillRegion(std::span<const ScreenPoint> points, std::span<const int32_t> ringSizes) override;
  void FillRect(const ScreenRect& rect) override;
  void FrameRect(const ScreenRect& rect) override;
  void FillEllipse(const ScreenRect& rect) override;
  void FrameEllipse(const ScreenRect& rect) override;
  void SetFont(const FontSpec& font) override;
  void SetTextColour(RGBColour colour) override;
  void SetTextBackground(bool opaque, RGBColour colour) override;
  FontMetrics GetFontMetrics() override;
  int32_t TextWidth(std::string_view text) override;
  void DrawText(int32_t x, int32_t y, std::string_view text) override;
  bool HasSymbolFont(SymbolFontId font) override;
  void DrawSymbolGlyph(SymbolFontId font, uint8_t code, int32_t x, int32_t y, int32_t pixelSize,
                       RGBColour colour) override;
  // Pictures are stored as 24-bit bitmaps stretched into the rectangle; what is transparent in
  // them is laid on white first, since the record has no transparency. The AND mode is the
  // record's own source-AND-destination operation.
  using DrawPort::DrawPixels;
  bool DrawPixels(const ScreenRect& rect, int32_t width, int32_t height, const uint32_t* argb,
                  RasterMode mode) override;
  void SetClipRect(const ScreenRect& rect) override;
  void ClearClip() override;

 protected:
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // Releases the clip and every object; the subclass's Finish calls it before its last record.
  void EndDrawing();
  // The advance of each byte of a text in the current font, for formats that store them.
  std::vector<int32_t> CharAdvances(std::string_view text, bool symbol, int32_t symbolSize);

  // Object records. Create... returns the object's index in the file's object table.
  virtual uint32_t CreatePenRecord(const PenSpec& pen) = 0;
  virtual uint32_t CreateBrushRecord(const BrushSpec& brush) = 0;
  virtual uint32_t CreateFontRecord(const FontSpec& font, uint8_t charset) = 0;
  virtual void SelectObjectRecord(uint32_t object) = 0;
  virtual void DeleteObjectRecord(uint32_t object) = 0;
  // Objects that stay for the whole file: no pen, no brush and a plain font.
  virtual uint32_t NullPen() = 0;
  virtual uint32_t NullBrush() = 0;
  virtual uint32_t PlainFont() = 0;

  virtual void SetRop2Record(uint16_t rop) = 0;
  virtual void SetBkModeRecord(uint16_t mode) = 0;
  virtual void SetBkColourRecord(RGBColour colour) = 0;
  virtual void SetTextColourRecord(RGBColour colour) = 0;
  virtual void SetPolyFillModeRecord(uint16_t mode) = 0;
  virtual void MoveToRecord(int32_t x, int32_t y) = 0;
  virtual void LineToRecord(int32_t x, int32_t y) = 0;
  virtual void PolylineRecord(std::span<const ScreenPoint> points) = 0;
  virtual void PolygonRecord(std::span<const ScreenPoint> points) = 0;
  virtual void PolyPolygonRecord(std::span<const ScreenPoint> points,
                                 std::span<const int32_t> ringSizes) = 0;
  virtual void RectangleRecord(const ScreenRect& rect) = 0;
  virtual void EllipseRecord(const ScreenRect& rect) = 0;
  // Text of Windows-1252 bytes, or of symbol codes in the symbol font's own encoding.
  virtual void TextOutRecord(int32_t x, int32_t y, std::string_view text, bool symbol,
                             int32_t symbolSize) = 0;
  // A packed bitmap (information header and rows) of width x height stretched into rect.
  virtual void StretchDibRecord(const ScreenRect& rect, int32_t width, int32_t height,
                                const std::string& packedDib, uint32_t rop) = 0;
  virtual void SaveDCRecord() = 0;
  virtual void RestoreDCRecord() = 0;
  virtual void IntersectClipRecord(const ScreenRect& rect) = 0;

 private:
  enum class Choice { kUnknown, kNull, kCurrent };
  struct FontKey {
    FontSpec spec;
    uint8_t charset = gdi::kDefaultCharset;
  };

  // Checks that a rectangle shape draws anything and selects the pen (frame) or brush (fill) for
  // it.
  bool BeginRectShape(const ScreenRect& rect, bool filled);
  void UsePen(bool current);
  void UseBrush(bool current);
  void UseFont(const FontSpec& spec, uint8_t charset);
  void UseRop(RasterMode mode);
  void UseTextColours(RGBColour text, bool opaque, RGBColour background);
  // Broken lines keep their gaps clear only in transparent mode.
  void UseBkMode(uint16_t mode);
  // After a restore the device holds again what was selected when it was saved.
  void ForgetDeviceState();
  void SelectPermanentObjects();

  int32_t width_;
  int32_t height_;
  double pixelsPerInch_;
  DrawPort* measurer_;

  PenSpec pen_;
  bool penChanged_ = true;
  std::optional<uint32_t> penObject_;
  Choice penChoice_ = Choice::kUnknown;

  BrushSpec brush_;
  bool brushChanged_ = true;
  std::optional<uint32_t> brushObject_;
  Choice brushChoice_ = Choice::kUnknown;

  FontSpec font_;
  std::optional<uint32_t> fontObject_;
  std::optional<FontKey> fontObjectKey_;
  bool fontSelected_ = false;

  RasterMode mode_ = RasterMode::kCopy;
  std::optional<RasterMode> deviceMode_;
  RGBColour textColour_;
  bool textOpaque_ = false;
  RGBColour textBackground_ = kWhiteColour;
  std::optional<RGBColour> deviceTextColour_;
  std::optional<uint16_t> deviceBkMode_;
  std::optional<RGBColour> deviceBkColour_;

  bool clipActive_ = false;
  bool ended_ = false;
};

}  // namespace tlv
