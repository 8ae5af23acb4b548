#include "render/qt/qt_draw_port.h"

#include <QBitmap>
#include <QColor>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPolygon>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/qt/text_codec.h"
#include "render/graphics_tables.h"
#include "render/qt/symbol_fonts.h"

namespace tlv {
namespace {

QColor ToQColor(RGBColour colour) {
  return QColor(colour.red, colour.green, colour.blue);
}

// Rectangles of objects seen close up reach far beyond the surface; held at this distance they
// still cover it, and their widths cannot overflow.
constexpr int32_t kQtCoordinateLimit = 1 << 24;

ScreenRect Clamped(const ScreenRect& rect) {
  auto clamp = [](int32_t v) { return std::clamp(v, -kQtCoordinateLimit, kQtCoordinateLimit); };
  return {clamp(rect.left), clamp(rect.top), clamp(rect.right), clamp(rect.bottom)};
}

QRect ToQRect(const ScreenRect& rect) {
  const ScreenRect c = Clamped(rect);
  return QRect(c.left, c.top, c.right - c.left, c.bottom - c.top);
}

// Ellipses cannot be clamped without changing their curve, so they go to Qt unclamped.
QRectF ToQRectF(const ScreenRect& rect, double shrink) {
  return QRectF(rect.left, rect.top, static_cast<double>(rect.right) - rect.left - shrink,
                static_cast<double>(rect.bottom) - rect.top - shrink);
}

bool IsEmpty(const ScreenRect& rect) {
  return rect.right <= rect.left || rect.bottom <= rect.top;
}

QPolygon ToQPolygon(std::span<const ScreenPoint> points) {
  QPolygon polygon(static_cast<int>(points.size()));
  for (size_t i = 0; i < points.size(); ++i) {
    polygon.setPoint(static_cast<int>(i), points[i].x, points[i].y);
  }
  return polygon;
}

// The dash lengths, in device units, of the original platform's thin broken pens.
QList<qreal> DashPattern(PenStyle style) {
  switch (style) {
    case PenStyle::kDash:
      return {18, 6};
    case PenStyle::kDot:
      return {3, 3};
    case PenStyle::kDashDot:
      return {9, 6, 3, 6};
    case PenStyle::kDashDotDot:
      return {9, 3, 3, 3, 3, 3};
    default:
      return {};
  }
}

// An 8 x 8 pattern as colour pixels: 0 bits foreground, 1 bits background.
QImage PatternImage(const BrushSpec& brush) {
  QImage image(8, 8, QImage::Format_RGB32);
  const QRgb foreground = ToQColor(brush.foreground).rgb();
  const QRgb background = ToQColor(brush.background).rgb();
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool set = ((brush.bits[y] >> (7 - x)) & 1) != 0;
      image.setPixel(x, y, set ? background : foreground);
    }
  }
  return image;
}

// The foreground bits alone, for devices that cannot AND: the paper shows through the rest.
QBrush InkOnlyPatternBrush(const BrushSpec& brush) {
  uchar rows[8];
  for (int y = 0; y < 8; ++y) rows[y] = static_cast<uchar>(~brush.bits[y]);
  return QBrush(ToQColor(brush.foreground),
                QBitmap::fromData(QSize(8, 8), rows, QImage::Format_Mono));
}

// Below the height at which the text engine's metrics overflow, with room to spare.
constexpr int32_t kMaxNativeFontPixels = 8192;

}  // namespace

QtDrawPort::QtDrawPort(QPaintDevice& device, DeviceKind kind)
    : ownPainter_(std::make_unique<QPainter>(&device)), painter_(ownPainter_.get()), kind_(kind) {
  Begin();
}

QtDrawPort::QtDrawPort(QPainter& painter, DeviceKind kind) : painter_(&painter), kind_(kind) {
  Begin();
}

QtDrawPort::~QtDrawPort() {
  Flush();
  if (ownPainter_ && ownPainter_->isActive()) ownPainter_->end();
}

void QtDrawPort::Begin() {
  QPaintEngine* engine = painter_->paintEngine();
  // Vector engines (PDF, pictures) claim raster operations but cannot carry them out.
  rasterOps_ = engine != nullptr && engine->type() == QPaintEngine::Raster &&
               engine->hasFeature(QPaintEngine::RasterOpModes);
  // The original platform draws shapes without smoothing, and raster operations on smoothed
  // edges would leave half-inverted pixels behind.
  painter_->setRenderHint(QPainter::Antialiasing, false);
  painter_->setBackgroundMode(Qt::TransparentMode);
  SetPen(PenSpec());
  SetFont(MakeNamedFont("System", 10, 0, 0));
}

double QtDrawPort::PixelsPerInchX() const {
  const double scale = std::abs(painter_->worldTransform().m11());
  const double dpi = painter_->device()->logicalDpiX();
  return scale > 0 ? dpi / scale : dpi;
}

double QtDrawPort::PixelsPerInchY() const {
  const double scale = std::abs(painter_->worldTransform().m22());
  const double dpi = painter_->device()->logicalDpiY();
  return scale > 0 ? dpi / scale : dpi;
}

void QtDrawPort::Flush() {
  if (pendingLine_.size() >= 2) {
    ApplyRasterMode();
    painter_->setPen(qpen_);
    painter_->setBrush(Qt::NoBrush);
    painter_->drawPolyline(pendingLine_.data(), static_cast<int>(pendingLine_.size()));
  }
  pendingLine_.clear();
}

void QtDrawPort::SetPen(const PenSpec& pen) {
  Flush();
  pen_ = pen;
  if (pen.style == PenStyle::kNone) {
    qpen_ = QPen(Qt::NoPen);
    return;
  }
  const bool broken = pen.style != PenStyle::kSolid;
  const int width = broken ? 1 : std::max(1, pen.width);
  qpen_ = QPen(ToQColor(pen.colour));
  qpen_.setWidth(width);
  if (width == 1) {
    // A thin line leaves out its last pixel, as the original's did, so a chain of lines
    // touches each joint once.
    qpen_.setCapStyle(Qt::FlatCap);
    qpen_.setJoinStyle(Qt::MiterJoin);
  } else {
    qpen_.setCapStyle(Qt::RoundCap);
    qpen_.setJoinStyle(Qt::RoundJoin);
  }
  if (broken) {
    qpen_.setDashPattern(DashPattern(pen.style));
    qpen_.setDashOffset(pen.dashOffset);
  }
}

void QtDrawPort::SetBrush(const BrushSpec& brush) {
  Flush();
  // The drawing pass sets a brush per object; most objects of an overlay share one.
  const bool same = brush.kind == brush_.kind && brush.foreground == brush_.foreground &&
                    (brush.kind != BrushKind::kPattern ||
                     (brush.background == brush_.background &&
                      std::memcmp(brush.bits, brush_.bits, sizeof brush.bits) == 0));
  if (same) return;
  brush_ = brush;
  brushDirty_ = true;
}

void QtDrawPort::SetRasterMode(RasterMode mode) {
  if (mode == mode_) return;
  Flush();
  mode_ = mode;
  modeApplied_ = false;
  brushDirty_ = true;
}

void QtDrawPort::ApplyRasterMode() {
  if (modeApplied_) return;
  QPainter::CompositionMode composition = QPainter::CompositionMode_SourceOver;
  if (rasterOps_) {
    if (mode_ == RasterMode::kMask) {
      composition = QPainter::RasterOp_SourceAndDestination;
    } else if (mode_ == RasterMode::kNotXor) {
      composition = QPainter::RasterOp_NotSourceXorDestination;
    }
  }
  painter_->setCompositionMode(composition);
  modeApplied_ = true;
}

const QBrush& QtDrawPort::CurrentQBrush() {
  if (!brushDirty_) return qbrush_;
  brushDirty_ = false;
  switch (brush_.kind) {
    case BrushKind::kNone:
      qbrush_ = QBrush(Qt::NoBrush);
      break;
    case BrushKind::kSolid:
      qbrush_ = QBrush(ToQColor(brush_.foreground));
      break;
    case BrushKind::kPattern:
      // Raster operations treat a bitmap brush's clear bits as colour, so the background bits
      // are given their colour (white leaves the map alone under AND).
      if (!rasterOps_ && mode_ == RasterMode::kMask) {
        qbrush_ = InkOnlyPatternBrush(brush_);
      } else {
        qbrush_ = QBrush(PatternImage(brush_));
      }
      break;
  }
  return qbrush_;
}

void QtDrawPort::FillPath(const QPainterPath& path) {
  const QBrush& brush = CurrentQBrush();
  if (brush.style() == Qt::NoBrush) return;
  ApplyRasterMode();
  painter_->setPen(Qt::NoPen);
  painter_->setBrush(brush);
  const QTransform transform = painter_->worldTransform();
  if (brush_.kind == BrushKind::kPattern && !transform.isIdentity()) {
    painter_->setWorldTransform(QTransform());
    painter_->drawPath(transform.map(path));
    painter_->setWorldTransform(transform);
  } else {
    painter_->drawPath(path);
  }
}

void QtDrawPort::StrokePath(const QPainterPath& path) {
  if (qpen_.style() == Qt::NoPen) return;
  ApplyRasterMode();
  painter_->setPen(qpen_);
  painter_->setBrush(Qt::NoBrush);
  painter_->drawPath(path);
}

void QtDrawPort::MoveTo(int32_t x, int32_t y) {
  Flush();
  current_ = QPoint(x, y);
}

void QtDrawPort::LineTo(int32_t x, int32_t y) {
  if (pendingLine_.empty()) pendingLine_.push_back(current_);
  current_ = QPoint(x, y);
  pendingLine_.push_back(current_);
}

void QtDrawPort::Polyline(std::span<const ScreenPoint> points) {
  Flush();
  if (points.size() < 2 || qpen_.style() == Qt::NoPen) return;
  const QPolygon polygon = ToQPolygon(points);
  ApplyRasterMode();
  painter_->setPen(qpen_);
  painter_->setBrush(Qt::NoBrush);
  painter_->drawPolyline(polygon);
}

void QtDrawPort::Polygon(std::span<const ScreenPoint> points) {
  Flush();
  if (points.size() < 2) return;
  const QPolygon polygon = ToQPolygon(points);
  QPainterPath path;
  path.setFillRule(windingPolygons_ ? Qt::WindingFill : Qt::OddEvenFill);
  path.addPolygon(polygon);
  path.closeSubpath();
  FillPath(path);
  StrokePath(path);
}

void QtDrawPort::FillRegion(std::span<const ScreenPoint> points,
                            std::span<const int32_t> ringSizes) {
  Flush();
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  size_t start = 0;
  for (int32_t size : ringSizes) {
    if (size <= 0) continue;
    const size_t count = std::min(static_cast<size_t>(size), points.size() - start);
    // A ring needs three corners to enclose anything.
    if (count >= 3) {
      path.addPolygon(ToQPolygon(points.subspan(start, count)));
      path.closeSubpath();
    }
    start += count;
    if (start >= points.size()) break;
  }
  if (!path.isEmpty()) FillPath(path);
}

void QtDrawPort::FillRect(const ScreenRect& rect) {
  Flush();
  if (IsEmpty(rect)) return;
  if (brush_.kind == BrushKind::kPattern && !painter_->worldTransform().isIdentity()) {
    QPainterPath path;
    path.addRect(ToQRect(rect));
    FillPath(path);
    return;
  }
  // Dots and tags come by the million; a plain rectangle skips building a path.
  const QBrush& brush = CurrentQBrush();
  if (brush.style() == Qt::NoBrush) return;
  ApplyRasterMode();
  painter_->setPen(Qt::NoPen);
  painter_->setBrush(brush);
  painter_->drawRect(ToQRect(rect));
}

void QtDrawPort::FrameRect(const ScreenRect& rect) {
  Flush();
  if (IsEmpty(rect) || qpen_.style() == Qt::NoPen) return;
  ApplyRasterMode();
  painter_->setPen(qpen_);
  painter_->setBrush(Qt::NoBrush);
  const ScreenRect c = Clamped(rect);
  const int width = c.right - c.left;
  const int height = c.bottom - c.top;
  if (width == 1 || height == 1) {
    painter_->drawLine(c.left, c.top, c.right - 1, c.bottom - 1);
    return;
  }
  // Qt's aliased outline of a QRect covers width + 1 pixels: one less keeps it on the
  // rectangle's own outermost pixels.
  painter_->drawRect(QRect(c.left, c.top, width - 1, height - 1));
}

void QtDrawPort::FillEllipse(const ScreenRect& rect) {
  Flush();
  if (IsEmpty(rect)) return;
  QPainterPath path;
  path.addEllipse(ToQRectF(rect, 0));
  FillPath(path);
}

void QtDrawPort::FrameEllipse(const ScreenRect& rect) {
  Flush();
  if (IsEmpty(rect) || qpen_.style() == Qt::NoPen) return;
  ApplyRasterMode();
  painter_->setPen(qpen_);
  painter_->setBrush(Qt::NoBrush);
  painter_->drawEllipse(ToQRectF(rect, 1));
}

void QtDrawPort::SetFont(const FontSpec& font) {
  const std::string_view family = SubstituteFontFamily(font.face);
  font_ = QFont(FromWindows1252(family));
  const int32_t height = std::max(1, font.pixelHeight);
  fontScale_ = (height + kMaxNativeFontPixels - 1) / kMaxNativeFontPixels;
  font_.setPixelSize(std::max(1, (height + fontScale_ / 2) / fontScale_));
  font_.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
  font_.setItalic((font.style & kFontItalic) != 0);
  font_.setUnderline((font.style & kFontUnderline) != 0);
  symbolText_ = IsSymbolFontFace(font.face);
  if (symbolText_) {
    font_.setHintingPreference(QFont::PreferNoHinting);
    font_.setStyleStrategy(QFont::NoFontMerging);
  }
  escapement_ = font.escapement;
}

QString QtDrawPort::TextString(std::string_view text) const {
  if (!symbolText_) return FromWindows1252(text);
  // Text set in a symbol font shows the symbols of its codes.
  QString string;
  string.reserve(static_cast<qsizetype>(text.size()));
  for (char c : text) string += SymbolCharacter(static_cast<uint8_t>(c));
  return string;
}

void QtDrawPort::SetTextColour(RGBColour colour) {
  textColour_ = colour;
}

void QtDrawPort::SetTextBackground(bool opaque, RGBColour colour) {
  textOpaque_ = opaque;
  textBackground_ = colour;
}

FontMetrics QtDrawPort::GetFontMetrics() {
  const QFontMetrics metrics(font_);
  FontMetrics result;
  result.ascent = metrics.ascent() * fontScale_;
  result.descent = metrics.descent() * fontScale_;
  result.leading = std::max(0, metrics.leading()) * fontScale_;
  return result;
}

int32_t QtDrawPort::TextWidth(std::string_view text) {
  return QFontMetrics(font_).horizontalAdvance(TextString(text)) * fontScale_;
}

void QtDrawPort::DrawText(int32_t x, int32_t y, std::string_view text) {
  Flush();
  if (text.empty()) return;
  const QString string = TextString(text);
  const QFontMetrics metrics(font_);
  if (escapement_ == 0 && OutsideClip(QRectF(x, y, metrics.horizontalAdvance(string) * fontScale_,
                                             metrics.height() * fontScale_))) {
    return;
  }
  painter_->save();
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->translate(x, y);
  // Escapement turns counter-clockwise on the page, and y grows downward here.
  if (escapement_ != 0) painter_->rotate(-escapement_ / 10.0);
  if (fontScale_ > 1) painter_->scale(fontScale_, fontScale_);
  if (textOpaque_) {
    painter_->fillRect(QRect(0, 0, metrics.horizontalAdvance(string), metrics.height()),
                       ToQColor(textBackground_));
  }
  painter_->setFont(font_);
  painter_->setPen(ToQColor(textColour_));
  painter_->drawText(QPoint(0, metrics.ascent()), string);
  painter_->restore();
}

bool QtDrawPort::OutsideClip(const QRectF& rect) const {
  return painter_->hasClipping() && !painter_->clipBoundingRect().intersects(rect);
}

bool QtDrawPort::HasSymbolFont(SymbolFontId font) {
  return SymbolFontInstalled(font);
}

void QtDrawPort::DrawSymbolGlyph(SymbolFontId font, uint8_t code, int32_t x, int32_t y,
                                 int32_t pixelSize, RGBColour colour) {
  Flush();
  if (pixelSize <= 0 || !SymbolFontInstalled(font)) return;
  const int key = static_cast<int>(font) + 4 * std::min(pixelSize, 1 << 20);
  if (key != symbolFontKey_) {
    symbolFont_ = SymbolQFont(font, pixelSize);
    symbolAscent_ = QFontMetricsF(symbolFont_).ascent();
    symbolFontKey_ = key;
  }
  // Glyphs may reach a little beyond their box.
  if (OutsideClip(
          QRectF(x - pixelSize / 2.0, y - pixelSize / 2.0, 2.0 * pixelSize, 2.0 * pixelSize))) {
    return;
  }
  painter_->save();
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->setFont(symbolFont_);
  painter_->setPen(ToQColor(colour));
  // The glyph box is the em square, whose top lies one ascent above the baseline.
  painter_->drawText(QPointF(x, y + symbolAscent_), SymbolCharacter(code));
  painter_->restore();
}

void QtDrawPort::SetClipRect(const ScreenRect& rect) {
  Flush();
  painter_->setClipRect(ToQRect(rect));
}

bool QtDrawPort::DrawPixels(const ScreenRect& rect, int32_t width, int32_t height,
                            const uint32_t* argb, RasterMode mode) {
  Flush();
  if (width <= 0 || height <= 0 || argb == nullptr) return false;
  const QImage image(reinterpret_cast<const uchar*>(argb), width, height, width * 4,
                     QImage::Format_ARGB32);
  const QRect target(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  const QPainter::CompositionMode previous = painter_->compositionMode();
  if (mode != RasterMode::kMask) {
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->drawImage(target, image);
  } else if (rasterOps_) {
    // A raster operation takes the source's colour as it is, so what is transparent in the
    // picture is first laid on white (which the AND leaves alone).
    QImage opaque(width, height, QImage::Format_RGB32);
    opaque.fill(Qt::white);
    {
      QPainter onWhite(&opaque);
      onWhite.drawImage(0, 0, image);
    }
    painter_->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter_->drawImage(target, opaque);
  } else {
    QImage keyed = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
      auto* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
      for (int x = 0; x < width; ++x) {
        if ((row[x] & 0x00FFFFFFu) == 0x00FFFFFFu) row[x] = 0;
      }
    }
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->drawImage(target, keyed);
  }
  painter_->setCompositionMode(previous);
  modeApplied_ = false;
  return true;
}

void QtDrawPort::ClearClip() {
  Flush();
  painter_->setClipping(false);
}

}  // namespace tlv
