#include "render/metafile/wmf_writer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tlv {
namespace {

// Player-side limit of a point count field.
constexpr size_t kMaxPointsPerRecord = 32767;
constexpr size_t kFaceNameSize = 32;

int16_t Clamp16(int32_t value) {
  return static_cast<int16_t>(std::clamp<int32_t>(value, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

void AppendPoint(std::string& out, const ScreenPoint& point) {
  AppendI16(out, Clamp16(point.x));
  AppendI16(out, Clamp16(point.y));
}

// Rectangles are stored bottom, right, top, left.
std::string RectParameters(const ScreenRect& rect) {
  std::string out;
  AppendI16(out, Clamp16(rect.bottom));
  AppendI16(out, Clamp16(rect.right));
  AppendI16(out, Clamp16(rect.top));
  AppendI16(out, Clamp16(rect.left));
  return out;
}

}  // namespace

WmfPort::WmfPort(int32_t width, int32_t height, double pixelsPerInch, DrawPort* measurer)
    : MetafilePort(width, height, pixelsPerInch, measurer) {
  std::string origin;
  AppendI16(origin, 0);
  AppendI16(origin, 0);
  Record(wmf::kSetWindowOrg, origin);
  std::string extent;
  AppendI16(extent, Clamp16(Height()));
  AppendI16(extent, Clamp16(Width()));
  Record(wmf::kSetWindowExt, extent);
  SetPolyFillModeRecord(gdi::kFillAlternate);
}

void WmfPort::Record(uint16_t function, const std::string& parameters) {
  const uint32_t words = 3 + static_cast<uint32_t>((parameters.size() + 1) / 2);
  AppendU32(records_, words);
  AppendU16(records_, function);
  records_ += parameters;
  if (parameters.size() % 2 != 0) records_.push_back('\0');
  maxRecordWords_ = std::max(maxRecordWords_, words);
}

uint32_t WmfPort::TakeSlot() {
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (!slots_[i]) {
      slots_[i] = true;
      return static_cast<uint32_t>(i);
    }
  }
  slots_.push_back(true);
  return static_cast<uint32_t>(slots_.size() - 1);
}

uint32_t WmfPort::CreatePenRecord(const PenSpec& pen) {
  std::string out;
  AppendU16(out, GdiPenStyle(pen.style));
  AppendI16(out, Clamp16(pen.style == PenStyle::kSolid ? std::max(1, pen.width) : 1));
  AppendI16(out, 0);
  AppendColourRef(out, pen.colour);
  Record(wmf::kCreatePenIndirect, out);
  return TakeSlot();
}

uint32_t WmfPort::CreateBrushRecord(const BrushSpec& brush) {
  std::string out;
  if (brush.kind == BrushKind::kPattern) {
    AppendU16(out, gdi::kBrushDibPattern);
    AppendU16(out, 0);  // the bitmap holds its own colours
    AppendPatternDib(out, brush);
    Record(wmf::kDibCreatePatternBrush, out);
  } else {
    AppendU16(out, brush.kind == BrushKind::kSolid ? gdi::kBrushSolid : gdi::kBrushNull);
    AppendColourRef(out, brush.foreground);
    AppendU16(out, 0);
    Record(wmf::kCreateBrushIndirect, out);
  }
  return TakeSlot();
}

uint32_t WmfPort::CreateFontRecord(const FontSpec& font, uint8_t charset) {
  std::string out;
  // A negative height asks for the character height rather than the cell height.
  AppendI16(out, Clamp16(-std::max(1, font.pixelHeight)));
  AppendI16(out, 0);
  AppendI16(out, Clamp16(font.escapement));
  AppendI16(out, Clamp16(font.escapement));
  AppendI16(out, Clamp16(font.weight));
  AppendU8(out, (font.style & kFontItalic) != 0 ? 1 : 0);
  AppendU8(out, (font.style & kFontUnderline) != 0 ? 1 : 0);
  AppendU8(out, 0);  // strike-out
  AppendU8(out, charset);
  AppendU8(out, 0);  // output precision
  AppendU8(out, 0);  // clip precision
  AppendU8(out, 0);  // quality
  AppendU8(out, 0);  // pitch and family
  std::string face = font.face.substr(0, kFaceNameSize - 1);
  face.resize(kFaceNameSize, '\0');
  out += face;
  Record(wmf::kCreateFontIndirect, out);
  return TakeSlot();
}

void WmfPort::SelectObjectRecord(uint32_t object) {
  std::string out;
  AppendU16(out, static_cast<uint16_t>(object));
  Record(wmf::kSelectObject, out);
}

void WmfPort::DeleteObjectRecord(uint32_t object) {
  std::string out;
  AppendU16(out, static_cast<uint16_t>(object));
  Record(wmf::kDeleteObject, out);
  if (object < slots_.size()) slots_[object] = false;
}

uint32_t WmfPort::NullPen() {
  if (!nullPen_) nullPen_ = CreatePenRecord({kBlackColour, 1, PenStyle::kNone});
  return *nullPen_;
}

uint32_t WmfPort::NullBrush() {
  if (!nullBrush_) nullBrush_ = CreateBrushRecord(BrushSpec());
  return *nullBrush_;
}

uint32_t WmfPort::PlainFont() {
  if (!plainFont_) {
    FontSpec font;
    font.face = "System";
    plainFont_ = CreateFontRecord(font, gdi::kDefaultCharset);
  }
  return *plainFont_;
}

void WmfPort::SetRop2Record(uint16_t rop) {
  std::string out;
  AppendU16(out, rop);
  Record(wmf::kSetRop2, out);
}

void WmfPort::SetBkModeRecord(uint16_t mode) {
  std::string out;
  AppendU16(out, mode);
  Record(wmf::kSetBkMode, out);
}

void WmfPort::SetBkColourRecord(RGBColour colour) {
  std::string out;
  AppendColourRef(out, colour);
  Record(wmf::kSetBkColor, out);
}

void WmfPort::SetTextColourRecord(RGBColour colour) {
  std::string out;
  AppendColourRef(out, colour);
  Record(wmf::kSetTextColor, out);
}

void WmfPort::SetPolyFillModeRecord(uint16_t mode) {
  std::string out;
  AppendU16(out, mode);
  Record(wmf::kSetPolyFillMode, out);
}

void WmfPort::MoveToRecord(int32_t x, int32_t y) {
  std::string out;
  AppendI16(out, Clamp16(y));
  AppendI16(out, Clamp16(x));
  Record(wmf::kMoveTo, out);
}

void WmfPort::LineToRecord(int32_t x, int32_t y) {
  std::string out;
  AppendI16(out, Clamp16(y));
  AppendI16(out, Clamp16(x));
  Record(wmf::kLineTo, out);
}

void WmfPort::PolylineRecord(std::span<const ScreenPoint> points) {
  // Long lines go out in pieces that share their joining point.
  size_t start = 0;
  while (start + 1 < points.size()) {
    const size_t count = std::min(kMaxPointsPerRecord, points.size() - start);
    std::string out;
    AppendI16(out, static_cast<int16_t>(count));
    for (size_t i = start; i < start + count; ++i) AppendPoint(out, points[i]);
    Record(wmf::kPolyline, out);
    start += count - 1;
  }
}

void WmfPort::PolygonRecord(std::span<const ScreenPoint> points) {
  // A polygon cannot be split; its corners beyond the count field's range are left out.
  const size_t count = std::min(kMaxPointsPerRecord, points.size());
  std::string out;
  AppendI16(out, static_cast<int16_t>(count));
  for (size_t i = 0; i < count; ++i) AppendPoint(out, points[i]);
  Record(wmf::kPolygon, out);
}

void WmfPort::PolyPolygonRecord(std::span<const ScreenPoint> points,
                                std::span<const int32_t> ringSizes) {
  std::string counts;
  std::string corners;
  size_t rings = 0;
  size_t start = 0;
  for (int32_t size : ringSizes) {
    const size_t count = static_cast<size_t>(size);
    const size_t kept = std::min(kMaxPointsPerRecord, count);
    AppendU16(counts, static_cast<uint16_t>(kept));
    for (size_t i = start; i < start + kept; ++i) AppendPoint(corners, points[i]);
    start += count;
    ++rings;
  }
  std::string out;
  AppendU16(out, static_cast<uint16_t>(rings));
  out += counts;
  out += corners;
  Record(wmf::kPolyPolygon, out);
}

void WmfPort::RectangleRecord(const ScreenRect& rect) {
  Record(wmf::kRectangle, RectParameters(rect));
}

void WmfPort::EllipseRecord(const ScreenRect& rect) {
  Record(wmf::kEllipse, RectParameters(rect));
}

void WmfPort::TextOutRecord(int32_t x, int32_t y, std::string_view text, bool, int32_t) {
  // Symbol codes are bytes of the symbol font's own encoding, like text bytes.
  const size_t length = std::min<size_t>(text.size(), kMaxPointsPerRecord);
  std::string out;
  AppendI16(out, static_cast<int16_t>(length));
  out.append(text.substr(0, length));
  if (length % 2 != 0) out.push_back('\0');
  AppendI16(out, Clamp16(y));
  AppendI16(out, Clamp16(x));
  Record(wmf::kTextOut, out);
}

void WmfPort::StretchDibRecord(const ScreenRect& rect, int32_t width, int32_t height,
                               const std::string& packedDib, uint32_t rop) {
  std::string out;
  AppendU32(out, rop);
  AppendU16(out, gdi::kDibRgbColours);
  AppendI16(out, Clamp16(height));
  AppendI16(out, Clamp16(width));
  AppendI16(out, 0);  // source y
  AppendI16(out, 0);  // source x
  AppendI16(out, Clamp16(rect.bottom - rect.top));
  AppendI16(out, Clamp16(rect.right - rect.left));
  AppendI16(out, Clamp16(rect.top));
  AppendI16(out, Clamp16(rect.left));
  out += packedDib;
  Record(wmf::kStretchDib, out);
}

void WmfPort::SaveDCRecord() {
  Record(wmf::kSaveDC, {});
}

void WmfPort::RestoreDCRecord() {
  std::string out;
  AppendI16(out, -1);
  Record(wmf::kRestoreDC, out);
}

void WmfPort::IntersectClipRecord(const ScreenRect& rect) {
  Record(wmf::kIntersectClipRect, RectParameters(rect));
}

std::string WmfPort::Finish() {
  if (!finished_.empty()) return finished_;
  EndDrawing();
  Record(wmf::kEof, {});

  std::string file;
  AppendU32(file, kPlaceableKey);
  AppendU16(file, 0);  // handle, always 0 in a file
  AppendI16(file, 0);
  AppendI16(file, 0);
  AppendI16(file, Clamp16(Width()));
  AppendI16(file, Clamp16(Height()));
  AppendU16(file, static_cast<uint16_t>(std::lround(PixelsPerInchX())));
  AppendU32(file, 0);
  uint16_t checksum = 0;
  for (size_t i = 0; i < 20; i += 2) {
    checksum ^= static_cast<uint16_t>(static_cast<uint8_t>(file[i]) |
                                      (static_cast<uint8_t>(file[i + 1]) << 8));
  }
  AppendU16(file, checksum);

  constexpr uint16_t kHeaderWords = 9;
  AppendU16(file, 1);  // a metafile on disk
  AppendU16(file, kHeaderWords);
  AppendU16(file, 0x0300);
  AppendU32(file, kHeaderWords + static_cast<uint32_t>(records_.size() / 2));
  AppendU16(file, static_cast<uint16_t>(slots_.size()));
  AppendU32(file, maxRecordWords_);
  AppendU16(file, 0);
  file += records_;
  finished_ = std::move(file);
  records_.clear();
  return finished_;
}

}  // namespace tlv
