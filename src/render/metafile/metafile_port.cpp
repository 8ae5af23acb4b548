#include "render/metafile/metafile_port.h"

#include <algorithm>
#include <limits>

#include "base/dib_file.h"
#include "render/graphics_tables.h"

namespace tlv {
namespace {

// The characters of codes 0x80 to 0x9F; the five the code page leaves undefined keep their
// value as C1 controls so every byte survives.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool SameFont(const FontSpec& a, const FontSpec& b) {
  return a.face == b.face && a.pixelHeight == b.pixelHeight && a.style == b.style &&
         a.weight == b.weight && a.escapement == b.escapement;
}

bool SamePen(const PenSpec& a, const PenSpec& b) {
  return a.colour == b.colour && a.width == b.width && a.style == b.style;
}

bool SameBrush(const BrushSpec& a, const BrushSpec& b) {
  if (a.kind != b.kind || !(a.foreground == b.foreground)) return false;
  if (a.kind != BrushKind::kPattern) return true;
  return a.background == b.background && std::equal(a.bits, a.bits + 8, b.bits);
}

std::string_view SymbolFace(SymbolFontId font) {
  switch (font) {
    case SymbolFontId::kScreenSymbols:
      return "TOLVANED";
    case SymbolFontId::kPaperSymbols:
      return "TOLVANEP";
    case SymbolFontId::kSecondSymbols:
      return "TOLVANE2";
  }
  return "TOLVANED";
}

// A rectangle one unit larger on the right and bottom, for shapes drawn without a pen.
ScreenRect GrownByOne(const ScreenRect& rect) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  return {rect.left, rect.top, rect.right < kMax ? rect.right + 1 : kMax,
          rect.bottom < kMax ? rect.bottom + 1 : kMax};
}

}  // namespace

void AppendU8(std::string& out, uint8_t value) {
  out.push_back(static_cast<char>(value));
}

void AppendU16(std::string& out, uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}

void AppendU32(std::string& out, uint32_t value) {
  AppendU16(out, static_cast<uint16_t>(value & 0xFFFF));
  AppendU16(out, static_cast<uint16_t>(value >> 16));
}

void AppendColourRef(std::string& out, RGBColour colour) {
  AppendU8(out, colour.red);
  AppendU8(out, colour.green);
  AppendU8(out, colour.blue);
  AppendU8(out, 0);
}

void AppendPatternDib(std::string& out, const BrushSpec& brush) {
  AppendU32(out, gdi::kPatternDibHeaderSize);
  AppendI32(out, 8);   // width
  AppendI32(out, 8);   // height: rows stored bottom-up
  AppendU16(out, 1);   // planes
  AppendU16(out, 1);   // bits per pixel
  AppendU32(out, 0);   // no compression
  AppendU32(out, 32);  // image size
  AppendI32(out, 0);
  AppendI32(out, 0);
  AppendU32(out, 2);  // colours used
  AppendU32(out, 0);
  for (RGBColour colour : {brush.foreground, brush.background}) {
    AppendU8(out, colour.blue);
    AppendU8(out, colour.green);
    AppendU8(out, colour.red);
    AppendU8(out, 0);
  }
  for (int row = 7; row >= 0; --row) {
    AppendU8(out, brush.bits[row]);
    AppendU8(out, 0);
    AppendU16(out, 0);
  }
}

uint16_t GdiPenStyle(PenStyle style) {
  switch (style) {
    case PenStyle::kSolid:
      return gdi::kPenSolid;
    case PenStyle::kNone:
      return gdi::kPenNull;
    case PenStyle::kDash:
      return gdi::kPenDash;
    case PenStyle::kDot:
      return gdi::kPenDot;
    case PenStyle::kDashDot:
      return gdi::kPenDashDot;
    case PenStyle::kDashDotDot:
      return gdi::kPenDashDotDot;
  }
  return gdi::kPenSolid;
}

uint16_t GdiRop2(RasterMode mode) {
  switch (mode) {
    case RasterMode::kCopy:
      return gdi::kRopCopyPen;
    case RasterMode::kMask:
      return gdi::kRopMaskPen;
    case RasterMode::kNotXor:
      return gdi::kRopNotXorPen;
  }
  return gdi::kRopCopyPen;
}

char16_t UnicodeOfWindows1252(uint8_t code) {
  return code >= 0x80 && code < 0xA0 ? kHighControls[code - 0x80] : static_cast<char16_t>(code);
}

MetafilePort::MetafilePort(int32_t width, int32_t height, double pixelsPerInch, DrawPort* measurer)
    : width_(std::max(1, width)),
      height_(std::max(1, height)),
      pixelsPerInch_(pixelsPerInch > 0 ? pixelsPerInch : 96.0),
      measurer_(measurer) {}

void MetafilePort::ForgetDeviceState() {
  penChoice_ = Choice::kUnknown;
  brushChoice_ = Choice::kUnknown;
  fontSelected_ = false;
  deviceMode_.reset();
  deviceTextColour_.reset();
  deviceBkMode_.reset();
  deviceBkColour_.reset();
}

void MetafilePort::SelectPermanentObjects() {
  // A saved device state must not hold objects that are deleted before it is restored.
  SelectObjectRecord(NullPen());
  SelectObjectRecord(NullBrush());
  SelectObjectRecord(PlainFont());
  penChoice_ = Choice::kNull;
  brushChoice_ = Choice::kNull;
  fontSelected_ = false;
}

void MetafilePort::UsePen(bool current) {
  if (!current || pen_.style == PenStyle::kNone) {
    if (penChoice_ != Choice::kNull) SelectObjectRecord(NullPen());
    penChoice_ = Choice::kNull;
    return;
  }
  if (penChanged_ || !penObject_) {
    const uint32_t object = CreatePenRecord(pen_);
    SelectObjectRecord(object);
    if (penObject_) DeleteObjectRecord(*penObject_);
    penObject_ = object;
    penChanged_ = false;
  } else if (penChoice_ != Choice::kCurrent) {
    SelectObjectRecord(*penObject_);
  }
  penChoice_ = Choice::kCurrent;
}

void MetafilePort::UseBrush(bool current) {
  if (!current || brush_.kind == BrushKind::kNone) {
    if (brushChoice_ != Choice::kNull) SelectObjectRecord(NullBrush());
    brushChoice_ = Choice::kNull;
    return;
  }
  if (brushChanged_ || !brushObject_) {
    const uint32_t object = CreateBrushRecord(brush_);
    SelectObjectRecord(object);
    if (brushObject_) DeleteObjectRecord(*brushObject_);
    brushObject_ = object;
    brushChanged_ = false;
  } else if (brushChoice_ != Choice::kCurrent) {
    SelectObjectRecord(*brushObject_);
  }
  brushChoice_ = Choice::kCurrent;
}

void MetafilePort::UseFont(const FontSpec& spec, uint8_t charset) {
  const bool same =
      fontObjectKey_ && SameFont(fontObjectKey_->spec, spec) && fontObjectKey_->charset == charset;
  if (!same || !fontObject_) {
    const uint32_t object = CreateFontRecord(spec, charset);
    SelectObjectRecord(object);
    if (fontObject_) DeleteObjectRecord(*fontObject_);
    fontObject_ = object;
    fontObjectKey_ = FontKey{spec, charset};
  } else if (!fontSelected_) {
    SelectObjectRecord(*fontObject_);
  }
  fontSelected_ = true;
}

void MetafilePort::UseRop(RasterMode mode) {
  if (deviceMode_ != mode) SetRop2Record(GdiRop2(mode));
  deviceMode_ = mode;
}

void MetafilePort::UseBkMode(uint16_t mode) {
  if (deviceBkMode_ != mode) SetBkModeRecord(mode);
  deviceBkMode_ = mode;
}

void MetafilePort::UseTextColours(RGBColour text, bool opaque, RGBColour background) {
  if (deviceTextColour_ != text) SetTextColourRecord(text);
  deviceTextColour_ = text;
  UseBkMode(opaque ? gdi::kBkOpaque : gdi::kBkTransparent);
  if (opaque) {
    if (deviceBkColour_ != background) SetBkColourRecord(background);
    deviceBkColour_ = background;
  }
}

void MetafilePort::SetPen(const PenSpec& pen) {
  if (!SamePen(pen, pen_)) penChanged_ = true;
  pen_ = pen;
}

void MetafilePort::SetBrush(const BrushSpec& brush) {
  if (!SameBrush(brush, brush_)) brushChanged_ = true;
  brush_ = brush;
}

void MetafilePort::SetRasterMode(RasterMode mode) {
  mode_ = mode;
}

void MetafilePort::MoveTo(int32_t x, int32_t y) {
  if (ended_) return;
  MoveToRecord(x, y);
}

void MetafilePort::LineTo(int32_t x, int32_t y) {
  if (ended_) return;
  UsePen(true);
  UseRop(mode_);
  UseBkMode(gdi::kBkTransparent);
  LineToRecord(x, y);
}

void MetafilePort::Polyline(std::span<const ScreenPoint> points) {
  if (ended_ || points.size() < 2 || pen_.style == PenStyle::kNone) return;
  UsePen(true);
  UseRop(mode_);
  UseBkMode(gdi::kBkTransparent);
  PolylineRecord(points);
}

void MetafilePort::Polygon(std::span<const ScreenPoint> points) {
  if (ended_ || points.size() < 2) return;
  UsePen(true);
  UseBrush(true);
  UseRop(mode_);
  UseBkMode(gdi::kBkTransparent);
  PolygonRecord(points);
}

void MetafilePort::FillRegion(std::span<const ScreenPoint> points,
                              std::span<const int32_t> ringSizes) {
  if (ended_ || brush_.kind == BrushKind::kNone) return;
  // Rings of fewer than three points enclose nothing; they are left out, and a ring size
  // beyond the points is cut to the points there are.
  std::vector<ScreenPoint> kept;
  std::vector<int32_t> keptSizes;
  size_t start = 0;
  for (int32_t size : ringSizes) {
    if (start >= points.size()) break;
    if (size <= 0) continue;
    const size_t count = std::min(static_cast<size_t>(size), points.size() - start);
    if (count >= 3) {
      kept.insert(kept.end(), points.begin() + static_cast<std::ptrdiff_t>(start),
                  points.begin() + static_cast<std::ptrdiff_t>(start + count));
      keptSizes.push_back(static_cast<int32_t>(count));
    }
    start += count;
  }
  if (keptSizes.empty()) return;
  UsePen(false);
  UseBrush(true);
  UseRop(mode_);
  UseBkMode(gdi::kBkTransparent);
  PolyPolygonRecord(kept, keptSizes);
}

bool MetafilePort::BeginRectShape(const ScreenRect& rect, bool filled) {
  if (ended_ || rect.right <= rect.left || rect.bottom <= rect.top) return false;
  if (filled ? brush_.kind == BrushKind::kNone : pen_.style == PenStyle::kNone) return false;
  UsePen(!filled);
  UseBrush(filled);
  UseRop(mode_);
  UseBkMode(gdi::kBkTransparent);
  return true;
}

void MetafilePort::FillRect(const ScreenRect& rect) {
  // Without a pen a rectangle loses its right and bottom edge; one more keeps all the pixels.
  if (BeginRectShape(rect, true)) RectangleRecord(GrownByOne(rect));
}

void MetafilePort::FrameRect(const ScreenRect& rect) {
  if (BeginRectShape(rect, false)) RectangleRecord(rect);
}

void MetafilePort::FillEllipse(const ScreenRect& rect) {
  if (BeginRectShape(rect, true)) EllipseRecord(GrownByOne(rect));
}

void MetafilePort::FrameEllipse(const ScreenRect& rect) {
  if (BeginRectShape(rect, false)) EllipseRecord(rect);
}

void MetafilePort::SetFont(const FontSpec& font) {
  font_ = font;
  if (measurer_ != nullptr) measurer_->SetFont(font);
}

void MetafilePort::SetTextColour(RGBColour colour) {
  textColour_ = colour;
}

void MetafilePort::SetTextBackground(bool opaque, RGBColour colour) {
  textOpaque_ = opaque;
  textBackground_ = colour;
}

FontMetrics MetafilePort::GetFontMetrics() {
  if (measurer_ != nullptr) return measurer_->GetFontMetrics();
  // Without fonts, the proportions of a common sans face.
  FontMetrics metrics;
  metrics.ascent = (font_.pixelHeight * 9 + 5) / 10;
  metrics.descent = (font_.pixelHeight * 2 + 5) / 10;
  metrics.leading = 0;
  return metrics;
}

int32_t MetafilePort::TextWidth(std::string_view text) {
  if (measurer_ != nullptr) return measurer_->TextWidth(text);
  return static_cast<int32_t>(text.size()) * std::max(1, font_.pixelHeight * 11 / 20);
}

std::vector<int32_t> MetafilePort::CharAdvances(std::string_view text, bool symbol,
                                                int32_t symbolSize) {
  std::vector<int32_t> advances;
  advances.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    // Symbol glyphs are exactly one em wide.
    advances.push_back(symbol ? symbolSize : TextWidth(text.substr(i, 1)));
  }
  return advances;
}

void MetafilePort::DrawText(int32_t x, int32_t y, std::string_view text) {
  if (ended_ || text.empty()) return;
  const bool symbol = IsSymbolFontFace(font_.face);
  UseFont(font_, symbol ? gdi::kSymbolCharset : gdi::kDefaultCharset);
  UseTextColours(textColour_, textOpaque_, textBackground_);
  TextOutRecord(x, y, text, symbol, std::max(1, font_.pixelHeight));
}

bool MetafilePort::HasSymbolFont(SymbolFontId font) {
  // The file names the font; whoever shows the picture needs it. Ask the measurer whether it
  // can be drawn here at all.
  return measurer_ == nullptr || measurer_->HasSymbolFont(font);
}

void MetafilePort::DrawSymbolGlyph(SymbolFontId font, uint8_t code, int32_t x, int32_t y,
                                   int32_t pixelSize, RGBColour colour) {
  if (ended_ || pixelSize <= 0) return;
  FontSpec spec;
  spec.face = std::string(SymbolFace(font));
  // The symbol box is the em square; a negative height in the file asks for the em size.
  spec.pixelHeight = pixelSize;
  spec.weight = font == SymbolFontId::kSecondSymbols ? 500 : 400;
  UseFont(spec, gdi::kSymbolCharset);
  UseTextColours(colour, false, textBackground_);
  const char text[1] = {static_cast<char>(code)};
  TextOutRecord(x, y, std::string_view(text, 1), true, pixelSize);
}

bool MetafilePort::DrawPixels(const ScreenRect& rect, int32_t width, int32_t height,
                              const uint32_t* argb, RasterMode mode) {
  if (ended_ || argb == nullptr || width <= 0 || height <= 0 || width > kDibMaxSide ||
      height > kDibMaxSide) {
    return false;
  }
  if (rect.right <= rect.left || rect.bottom <= rect.top) return true;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<uint32_t> opaque(argb, argb + count);
  for (uint32_t& pixel : opaque) {
    const uint32_t alpha = pixel >> 24;
    if (alpha == 0xFF) continue;
    uint32_t mixed = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
      const uint32_t channel = (pixel >> shift) & 0xFF;
      mixed |= ((channel * alpha + 0xFF * (0xFF - alpha) + 127) / 0xFF) << shift;
    }
    pixel = mixed;
  }
  DibSource source;
  source.width = width;
  source.height = height;
  source.argb = opaque.data();
  source.rowPixels = width;
  source.pixelsPerInch = pixelsPerInch_;
  std::string dib;
  if (EncodePackedDib(source, dib) != 0) return false;
  StretchDibRecord(rect, width, height, dib,
                   mode == RasterMode::kMask ? gdi::kRopSourceAnd : gdi::kRopSourceCopy);
  return true;
}

void MetafilePort::SetClipRect(const ScreenRect& rect) {
  if (ended_) return;
  if (clipActive_) {
    RestoreDCRecord();
    ForgetDeviceState();
  }
  SelectPermanentObjects();
  SaveDCRecord();
  IntersectClipRecord(rect);
  clipActive_ = true;
}

void MetafilePort::ClearClip() {
  if (ended_ || !clipActive_) return;
  RestoreDCRecord();
  ForgetDeviceState();
  clipActive_ = false;
}

void MetafilePort::EndDrawing() {
  if (ended_) return;
  ClearClip();
  SelectPermanentObjects();
  for (std::optional<uint32_t>* object : {&penObject_, &brushObject_, &fontObject_}) {
    if (*object) DeleteObjectRecord(**object);
    object->reset();
  }
  ended_ = true;
}

}  // namespace tlv
