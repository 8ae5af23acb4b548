#include "render/metafile/emf_writer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "base/dib_file.h"

namespace tlv {
namespace {

constexpr size_t kFaceNameChars = 32;
// EMR_EXTTEXTOUTW: the fixed part before the string.
constexpr uint32_t kTextOutFixedSize = 76;
constexpr uint32_t kCompatibleGraphicsMode = 1;

void AppendRect(std::string& out, const ScreenRect& rect) {
  AppendI32(out, rect.left);
  AppendI32(out, rect.top);
  AppendI32(out, rect.right);
  AppendI32(out, rect.bottom);
}

// The inclusive bounds of some points.
ScreenRect BoundsOf(std::span<const ScreenPoint> points) {
  ScreenRect bounds{std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(),
                    std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min()};
  for (const ScreenPoint& p : points) {
    bounds.left = std::min(bounds.left, p.x);
    bounds.top = std::min(bounds.top, p.y);
    bounds.right = std::max(bounds.right, p.x);
    bounds.bottom = std::max(bounds.bottom, p.y);
  }
  return bounds;
}

}  // namespace

EmfPort::EmfPort(int32_t width, int32_t height, double pixelsPerInch, DrawPort* measurer)
    : MetafilePort(width, height, pixelsPerInch, measurer) {
  SetPolyFillModeRecord(gdi::kFillAlternate);
}

void EmfPort::Record(uint32_t type, const std::string& parameters) {
  AppendU32(records_, type);
  AppendU32(records_, 8 + static_cast<uint32_t>(parameters.size()));
  records_ += parameters;
  ++recordCount_;
}

uint32_t EmfPort::TakeHandle() {
  for (size_t i = 1; i < handles_.size(); ++i) {
    if (!handles_[i]) {
      handles_[i] = true;
      return static_cast<uint32_t>(i);
    }
  }
  handles_.push_back(true);
  return static_cast<uint32_t>(handles_.size() - 1);
}

uint32_t EmfPort::CreatePenRecord(const PenSpec& pen) {
  const uint32_t handle = TakeHandle();
  std::string out;
  AppendU32(out, handle);
  AppendU32(out, GdiPenStyle(pen.style));
  AppendI32(out, pen.style == PenStyle::kSolid ? std::max(1, pen.width) : 1);
  AppendI32(out, 0);
  AppendColourRef(out, pen.colour);
  Record(emf::kCreatePen, out);
  return handle;
}

uint32_t EmfPort::CreateBrushRecord(const BrushSpec& brush) {
  const uint32_t handle = TakeHandle();
  std::string out;
  AppendU32(out, handle);
  if (brush.kind == BrushKind::kPattern) {
    constexpr uint32_t kFixed = 8 + 24;  // record header and the six fields
    constexpr uint32_t kBmiSize = gdi::kPatternDibHeaderSize + 8;
    AppendU32(out, 0);  // the bitmap holds its own colours
    AppendU32(out, kFixed);
    AppendU32(out, kBmiSize);
    AppendU32(out, kFixed + kBmiSize);
    AppendU32(out, 32);
    AppendPatternDib(out, brush);
    Record(emf::kCreateDibPatternBrushPt, out);
  } else {
    AppendU32(out, brush.kind == BrushKind::kSolid ? gdi::kBrushSolid : gdi::kBrushNull);
    AppendColourRef(out, brush.foreground);
    AppendU32(out, 0);
    Record(emf::kCreateBrushIndirect, out);
  }
  return handle;
}

uint32_t EmfPort::CreateFontRecord(const FontSpec& font, uint8_t charset) {
  const uint32_t handle = TakeHandle();
  std::string out;
  AppendU32(out, handle);
  const size_t start = out.size();
  AppendI32(out, -std::max(1, font.pixelHeight));
  AppendI32(out, 0);
  AppendI32(out, font.escapement);
  AppendI32(out, font.escapement);
  AppendI32(out, font.weight);
  AppendU8(out, (font.style & kFontItalic) != 0 ? 1 : 0);
  AppendU8(out, (font.style & kFontUnderline) != 0 ? 1 : 0);
  AppendU8(out, 0);
  AppendU8(out, charset);
  AppendU32(out, 0);  // precisions, quality, pitch and family
  for (size_t i = 0; i < kFaceNameChars; ++i) {
    const bool inName = i + 1 < kFaceNameChars && i < font.face.size();
    AppendU16(out, inName ? UnicodeOfWindows1252(static_cast<uint8_t>(font.face[i])) : 0);
  }
  // The rest of the extended font description (full name, style, version, panose) is empty.
  out.resize(start + emf::kLogFontPanoseSize, '\0');
  Record(emf::kExtCreateFontIndirectW, out);
  return handle;
}

void EmfPort::SelectObjectRecord(uint32_t object) {
  std::string out;
  AppendU32(out, object);
  Record(emf::kSelectObject, out);
}

void EmfPort::DeleteObjectRecord(uint32_t object) {
  std::string out;
  AppendU32(out, object);
  Record(emf::kDeleteObject, out);
  if (object < handles_.size() && object > 0) handles_[object] = false;
}

void EmfPort::SetRop2Record(uint16_t rop) {
  std::string out;
  AppendU32(out, rop);
  Record(emf::kSetRop2, out);
}

void EmfPort::SetBkModeRecord(uint16_t mode) {
  std::string out;
  AppendU32(out, mode);
  Record(emf::kSetBkMode, out);
}

void EmfPort::SetBkColourRecord(RGBColour colour) {
  std::string out;
  AppendColourRef(out, colour);
  Record(emf::kSetBkColor, out);
}

void EmfPort::SetTextColourRecord(RGBColour colour) {
  std::string out;
  AppendColourRef(out, colour);
  Record(emf::kSetTextColor, out);
}

void EmfPort::SetPolyFillModeRecord(uint16_t mode) {
  std::string out;
  AppendU32(out, mode);
  Record(emf::kSetPolyFillMode, out);
}

void EmfPort::MoveToRecord(int32_t x, int32_t y) {
  std::string out;
  AppendI32(out, x);
  AppendI32(out, y);
  Record(emf::kMoveToEx, out);
}

void EmfPort::LineToRecord(int32_t x, int32_t y) {
  std::string out;
  AppendI32(out, x);
  AppendI32(out, y);
  Record(emf::kLineTo, out);
}

void EmfPort::PointsRecord(uint32_t type, std::span<const ScreenPoint> points) {
  std::string out;
  AppendRect(out, BoundsOf(points));
  AppendU32(out, static_cast<uint32_t>(points.size()));
  for (const ScreenPoint& p : points) {
    AppendI32(out, p.x);
    AppendI32(out, p.y);
  }
  Record(type, out);
}

void EmfPort::PolylineRecord(std::span<const ScreenPoint> points) {
  PointsRecord(emf::kPolyline, points);
}

void EmfPort::PolygonRecord(std::span<const ScreenPoint> points) {
  PointsRecord(emf::kPolygon, points);
}

void EmfPort::PolyPolygonRecord(std::span<const ScreenPoint> points,
                                std::span<const int32_t> ringSizes) {
  std::string out;
  AppendRect(out, BoundsOf(points));
  AppendU32(out, static_cast<uint32_t>(ringSizes.size()));
  AppendU32(out, static_cast<uint32_t>(points.size()));
  for (int32_t size : ringSizes) AppendU32(out, static_cast<uint32_t>(size));
  for (const ScreenPoint& p : points) {
    AppendI32(out, p.x);
    AppendI32(out, p.y);
  }
  Record(emf::kPolyPolygon, out);
}

void EmfPort::RectangleRecord(const ScreenRect& rect) {
  std::string out;
  AppendRect(out, rect);
  Record(emf::kRectangle, out);
}

void EmfPort::EllipseRecord(const ScreenRect& rect) {
  std::string out;
  AppendRect(out, rect);
  Record(emf::kEllipse, out);
}

void EmfPort::TextOutRecord(int32_t x, int32_t y, std::string_view text, bool symbol,
                            int32_t symbolSize) {
  const uint32_t chars = static_cast<uint32_t>(text.size());
  const uint32_t stringBytes = (chars * 2 + 3) / 4 * 4;
  const std::vector<int32_t> advances = CharAdvances(text, symbol, symbolSize);
  std::string out;
  AppendRect(out, {0, 0, -1, -1});  // bounds not computed
  AppendU32(out, kCompatibleGraphicsMode);
  // Hundredths of a millimetre per device unit, which the compatible mode scales text by.
  const float scale = static_cast<float>(2540.0 / PixelsPerInchX());
  AppendU32(out, std::bit_cast<uint32_t>(scale));
  AppendU32(out, std::bit_cast<uint32_t>(scale));
  AppendI32(out, x);
  AppendI32(out, y);
  AppendU32(out, chars);
  AppendU32(out, kTextOutFixedSize);
  AppendU32(out, 0);  // options
  AppendRect(out, {0, 0, 0, 0});
  AppendU32(out, kTextOutFixedSize + stringBytes);
  for (char c : text) {
    const uint8_t code = static_cast<uint8_t>(c);
    // Symbol fonts place their glyphs in the private-use area from U+F000.
    AppendU16(out, symbol ? static_cast<uint16_t>(0xF000 + code) : UnicodeOfWindows1252(code));
  }
  if (chars % 2 != 0) AppendU16(out, 0);
  for (int32_t advance : advances) AppendI32(out, advance);
  Record(emf::kExtTextOutW, out);
}

void EmfPort::StretchDibRecord(const ScreenRect& rect, int32_t width, int32_t height,
                               const std::string& packedDib, uint32_t rop) {
  // The record header, bounds, 6 positions, 4 offsets and sizes, usage, operation, 2 sizes.
  constexpr uint32_t kFixed = 8 + 16 + 24 + 16 + 8 + 8;
  constexpr uint32_t kBmiSize = kDibInfoHeaderSize;
  std::string out;
  AppendRect(out, {rect.left, rect.top, rect.right - 1, rect.bottom - 1});
  AppendI32(out, rect.left);
  AppendI32(out, rect.top);
  AppendI32(out, 0);  // source x
  AppendI32(out, 0);  // source y
  AppendI32(out, width);
  AppendI32(out, height);
  AppendU32(out, kFixed);
  AppendU32(out, kBmiSize);
  AppendU32(out, kFixed + kBmiSize);
  AppendU32(out, static_cast<uint32_t>(packedDib.size()) - kBmiSize);
  AppendU32(out, gdi::kDibRgbColours);
  AppendU32(out, rop);
  AppendI32(out, rect.right - rect.left);
  AppendI32(out, rect.bottom - rect.top);
  out += packedDib;
  Record(emf::kStretchDiBits, out);
}

void EmfPort::SaveDCRecord() {
  Record(emf::kSaveDC, {});
}

void EmfPort::RestoreDCRecord() {
  std::string out;
  AppendI32(out, -1);
  Record(emf::kRestoreDC, out);
}

void EmfPort::IntersectClipRecord(const ScreenRect& rect) {
  std::string out;
  AppendRect(out, rect);
  Record(emf::kIntersectClipRect, out);
}

void EmfPort::SetFrameSize(int32_t widthHundredthsMm, int32_t heightHundredthsMm) {
  frameWidth_ = widthHundredthsMm;
  frameHeight_ = heightHundredthsMm;
}

std::string EmfPort::Finish() {
  if (!finished_.empty()) return finished_;
  EndDrawing();
  std::string eof;
  AppendU32(eof, 0);   // no palette
  AppendU32(eof, 16);  // where a palette would start
  AppendU32(eof, 20);  // this record's size, repeated at its end
  Record(emf::kEof, eof);

  const double ppi = PixelsPerInchX();
  const int32_t widthMm = static_cast<int32_t>(std::lround(Width() * 25.4 / ppi));
  const int32_t heightMm = static_cast<int32_t>(std::lround(Height() * 25.4 / ppi));
  std::string file;
  AppendU32(file, emf::kHeader);
  AppendU32(file, emf::kHeaderSize);
  AppendRect(file, {0, 0, Width() - 1, Height() - 1});
  // The frame is in hundredths of a millimetre.
  const int32_t frameWidth =
      frameWidth_ > 0 ? frameWidth_ : static_cast<int32_t>(std::lround(Width() * 2540.0 / ppi));
  const int32_t frameHeight =
      frameHeight_ > 0 ? frameHeight_ : static_cast<int32_t>(std::lround(Height() * 2540.0 / ppi));
  AppendRect(file, {0, 0, frameWidth - 1, frameHeight - 1});
  AppendU32(file, kEmfSignature);
  AppendU32(file, 0x00010000);
  AppendU32(file, emf::kHeaderSize + static_cast<uint32_t>(records_.size()));
  AppendU32(file, recordCount_ + 1);
  AppendU16(file, static_cast<uint16_t>(handles_.size()));
  AppendU16(file, 0);
  AppendU32(file, 0);  // no description
  AppendU32(file, 0);
  AppendU32(file, 0);  // no palette
  // The reference device is the picture itself at its resolution.
  AppendI32(file, Width());
  AppendI32(file, Height());
  AppendI32(file, std::max(1, widthMm));
  AppendI32(file, std::max(1, heightMm));
  file += records_;
  finished_ = std::move(file);
  records_.clear();
  return finished_;
}

}  // namespace tlv
