#include "render/draw_object.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "base/errors.h"
#include "base/strings.h"
#include "catalogue/maps.h"
#include "render/graphics_tables.h"
#include "render/symbols.h"

namespace tlv {
namespace {

constexpr const char* kUnknownTypeText = "Technical error while drawing: Unknown object type: %ld";
constexpr const char* kUnknownTypeOffsetText = "%sOffset: %ld";
constexpr const char* kLabelTroubleText = "Technical Error: Trouble labelling object.";
constexpr double kDegreesPerRadian = 57.29577951307855;
constexpr int32_t kFitStartSize = 12;
constexpr int32_t kUntitledMessage = 10;

PictureReader& Reader() {
  static PictureReader reader;
  return reader;
}

int64_t Clamp64(int64_t v) {
  return std::clamp<int64_t>(v, -kScreenCoordinateLimit, kScreenCoordinateLimit);
}

bool PointInWRect(WPoint p, const WRect& r) {
  return p.x >= r.x1 && p.x <= r.x2 && p.y >= r.y1 && p.y <= r.y2;
}

bool WRectsMeet(const WRect& a, const WRect& b) {
  return a.x1 <= b.x2 && b.x1 <= a.x2 && a.y1 <= b.y2 && b.y1 <= a.y2;
}

// Which value of a thematic code character: digits are themselves, letters count on from 9.
int16_t ThematicDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<int16_t>(c - '0');
  if (c >= 'A' && c <= 'Z') return static_cast<int16_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'z') return static_cast<int16_t>(c - 'a' + 10);
  return -1;
}

// The object's graphics as drawn: the overlay's in override mode, a thematic code on top.
struct Look {
  ObjectGraphics graphics;
  int16_t colourCode = kColourBlack;
  RGBColour custom;
};

Look ResolveLook(const DrawPass& pass, const ObjectGraphics& own, bool customActive,
                 RGBColour customColour) {
  Look look;
  if (pass.layer.graphicsOverride) {
    look.graphics = pass.layer.defaults;
    look.colourCode = look.graphics.colour;
    look.custom = pass.layer.overlayColour;
  } else {
    look.graphics = own;
    look.colourCode = customActive ? kColourCustom : own.colour;
    look.custom = customColour;
  }
  if (const ThematicOverride* t = pass.thematic) {
    if (t->customColour) {
      look.colourCode = kColourCustom;
      look.custom = t->colour;
    } else if (t->colourCode >= 0) {
      look.colourCode = t->colourCode;
    }
    if (t->fillPattern >= 0) look.graphics.fillPattern = t->fillPattern;
    if (t->lineType >= 0) look.graphics.lineType = t->lineType;
    if (t->symbol >= 0) look.graphics.symbol = t->symbol;
    if (t->lineWidth >= 0) look.graphics.variant = t->lineWidth;
  }
  return look;
}

bool IsAreaKind(int16_t type) {
  return type == kRectangleObject || type == kCircleObject || type == kPolygonObject;
}

void DrawTrackTicks(DrawPort& port, ScreenPoint a, ScreenPoint b) {
  const double dx = static_cast<double>(b.x) - a.x;
  const double dy = static_cast<double>(b.y) - a.y;
  const double length = std::sqrt(dx * dx + dy * dy);
  const int64_t ticks = static_cast<int64_t>(length / kTrackTickSpacing);
  if (ticks <= 0 || ticks > 100000) return;
  const double ux = dx / length;
  const double uy = dy / length;
  for (int64_t i = 0; i < ticks; ++i) {
    const double cx = a.x + ux * kTrackTickSpacing * static_cast<double>(i);
    const double cy = a.y + uy * kTrackTickSpacing * static_cast<double>(i);
    port.MoveTo(static_cast<int32_t>(std::lround(cx - uy * kTrackTickReach)),
                static_cast<int32_t>(std::lround(cy + ux * kTrackTickReach)));
    port.LineTo(static_cast<int32_t>(std::lround(cx + uy * kTrackTickReach)),
                static_cast<int32_t>(std::lround(cy - ux * kTrackTickReach)));
  }
}

void DrawTrackLine(DrawPort& port, ScreenPoint a, ScreenPoint b) {
  port.MoveTo(a.x, a.y);
  port.LineTo(b.x, b.y);
  DrawTrackTicks(port, a, b);
}

void FillWithFallbackPattern(DrawPass& pass, const ScreenRect& rect, RGBColour colour) {
  DrawPort& port = *pass.port;
  port.SetRasterMode(RasterModeForPattern(kPatternFallback));
  port.SetBrush(BrushForPattern(kPatternFallback, colour, port.Kind()));
  port.FillRect(rect);
}

void FillWhite(DrawPort& port, const ScreenRect& rect) {
  port.SetRasterMode(RasterMode::kCopy);
  port.SetBrush(BrushForPattern(kPatternSolid, kWhiteColour, port.Kind()));
  port.FillRect(rect);
}

bool BoxTooBig(const ScreenRect& r) {
  const int64_t w = static_cast<int64_t>(r.right) - r.left;
  const int64_t h = static_cast<int64_t>(r.bottom) - r.top;
  return w < 0 || h < 0 || w > kMaxTextBoxPixels || h > kMaxTextBoxPixels;
}

void DrawTextObject(DrawPass& pass, BufferedFile& file, int32_t position, const Look& look,
                    const ScreenRect& box, RGBColour colour) {
  DrawPort& port = *pass.port;
  const bool printing = port.Kind() == DeviceKind::kPrinter;
  if (look.graphics.textFlag != 0 && !BoxTooBig(box)) {
    if (!printing) FillWhite(port, box);
    port.SetRasterMode(RasterMode::kCopy);
    port.SetPen(PenSpec{colour, 1, PenStyle::kSolid});
    port.FrameRect(box);
  }
  if (BoxTooBig(box)) return;
  std::string text;
  if (FSGetObjectText(file, position, text) != 0) return;
  const std::vector<std::string> lines = SplitTextLines(text);
  if (lines.empty()) return;
  const int16_t style = FontStyleForTextStyle(look.graphics.textCode);
  const int32_t width = box.right - box.left;
  const int32_t height = box.bottom - box.top;
  const bool pictureFile = IsPictureDevice(port.Kind());
  const int32_t size =
      FitTextSize(port, lines, look.graphics.textValue, style, width, height, pictureFile);
  if (size <= 0) {
    FillWithFallbackPattern(pass, box, colour);
    return;
  }
  port.SetFont(
      MakeNumberedFont(look.graphics.textValue, size, style, 0, port.Kind(), pass.printerFont));
  const FontMetrics metrics = port.GetFontMetrics();
  const int32_t lineHeight = pictureFile ? static_cast<int32_t>(size * 1.25)
                                         : metrics.ascent + metrics.descent + metrics.leading;
  const int32_t total = lineHeight * static_cast<int32_t>(lines.size());
  int32_t y = box.top + (height - total) / 2;
  port.SetTextColour(colour);
  port.SetTextBackground(false, kWhiteColour);
  for (const std::string& line : lines) {
    const int32_t w = port.TextWidth(line);
    port.DrawText(box.left + (width - w) / 2, y, line);
    y += lineHeight;
  }
}

void DrawPictureObject(DrawPass& pass, BufferedFile& file, int32_t position, const Look& look,
                       const ScreenRect& box, RGBColour colour) {
  DrawPort& port = *pass.port;
  if (look.graphics.textFlag != 0 && !BoxTooBig(box)) FillWhite(port, box);
  std::string name;
  bool drawn = false;
  if (FSGetObjectPICTFile(file, position, name) == 0 && !name.empty() && Reader() &&
      !pass.layer.mapFolder.empty()) {
    PictureImage image;
    std::string path = pass.layer.mapFolder;
    if (path.back() != '/') path += '/';
    path += name;
    if (Reader()(path, image) && image.width > 0 && image.height > 0 &&
        image.pixels.size() == static_cast<size_t>(image.width) * image.height) {
      drawn = port.DrawPixels(box, image.width, image.height, image.pixels.data());
    }
  }
  if (!drawn) FillWithFallbackPattern(pass, box, colour);
}

// A segment oriented left to right and the point where its label starts, 4 pixels off it.
void PlacePolylineLabel(ScreenPoint a, ScreenPoint b, double& degrees, ScreenPoint& start) {
  if (b.x < a.x || (b.x == a.x && b.y < a.y)) std::swap(a, b);
  const double dx = static_cast<double>(b.x) - a.x;
  const double dy = static_cast<double>(b.y) - a.y;
  degrees = std::atan2(-dy, dx) * kDegreesPerRadian;
  const double length = std::sqrt(dx * dx + dy * dy);
  double px = 0;
  double py = kPolylineLabelGap;
  if (length > 0) {
    px = -dy / length * kPolylineLabelGap;
    py = dx / length * kPolylineLabelGap;
  }
  start = {static_cast<int32_t>(std::lround(a.x + px)),
           static_cast<int32_t>(std::lround(a.y + py))};
}

void DrawLabel(DrawPass& pass, BufferedFile& file, int32_t position, int16_t type, const Look& look,
               const ScreenRect& screen, bool haveSegment, ScreenPoint segA, ScreenPoint segB,
               bool havePoint, ScreenPoint point) {
  DrawPort& port = *pass.port;
  std::string name;
  if (GetObjectDisplayName(file, position, name) != 0) {
    Platform().SetTemporaryMessageLine(kLabelTroubleText);
    return;
  }
  if (name.empty() || name == MessageText(kUntitledMessage)) return;
  port.SetTextColour(LabelColourForCode(look.colourCode, look.custom));
  port.SetTextBackground(false, kWhiteColour);
  if (type == kPolylineObject) {
    if (!haveSegment) return;
    double degrees = 0;
    ScreenPoint start;
    PlacePolylineLabel(segA, segB, degrees, start);
    port.SetFont(MakeLabelFont(port.Kind(), degrees));
    port.DrawText(start.x, start.y, name);
    return;
  }
  port.SetFont(MakeLabelFont(port.Kind(), 0));
  const int32_t width = port.TextWidth(name);
  const int32_t gap = LabelGap(port.Kind());
  if (type == kPolygonObject && havePoint) {
    port.DrawText(point.x - width / 2, point.y, name);
  } else if (IsPictureDevice(port.Kind())) {
    const FontMetrics m = port.GetFontMetrics();
    const int32_t midY = screen.top + (screen.bottom - screen.top) / 2;
    port.DrawText(screen.right + gap, midY - (m.ascent + m.descent) / 2, name);
  } else {
    const int32_t midX = screen.left + (screen.right - screen.left) / 2;
    port.DrawText(midX - width / 2, screen.bottom + gap, name);
  }
}

struct PolylineResult {
  bool haveSegment = false;
  ScreenPoint a;
  ScreenPoint b;
};

// Reads the segments and draws each with the current pen; finds the label segment. The points
// come in one read: the record's layout is then checked once, not again for every segment.
int32_t DrawPolylinePath(DrawPass& pass, BufferedFile& file, int32_t position, bool track,
                         PolylineResult& result) {
  Handle points = nullptr;
  int32_t count = 0;
  const int32_t err = FSGetObjectPoints(file, position, points, count, true);
  if (err != 0) return err;
  HandleArray<WPoint> list(points);
  count = std::min(count, list.Count());
  DrawPort& port = *pass.port;
  const double ppi = port.PixelsPerInchX();
  int32_t best = -10;
  WPoint previous;
  bool havePrevious = false;
  bool penAt = false;
  ScreenPoint penPoint;
  // The end of one segment is the start of the next: its pixel is kept rather than mapped again.
  bool haveMapped = false;
  WPoint mappedWorld;
  ScreenPoint mappedScreen;
  for (int32_t i = 0; i < count; ++i) {
    WPoint p = list.Get(i);
    const bool newPiece = (static_cast<uint32_t>(p.x) & kNewPieceBit) != 0;
    p.x = static_cast<int32_t>(static_cast<uint32_t>(p.x) & ~kNewPieceBit);
    if (!track && !PointInWRect(p, pass.layer.overlayRect)) break;
    if (newPiece || !havePrevious) {
      previous = p;
      havePrevious = true;
      penAt = false;
      continue;
    }
    WPoint a = previous;
    WPoint b = p;
    previous = p;
    if (!ClipSegmentToWRect(pass.view, a, b)) {
      penAt = false;
      continue;
    }
    const ScreenPoint sa = haveMapped && mappedWorld.x == a.x && mappedWorld.y == a.y
                               ? mappedScreen
                               : pass.mapping.Map(a);
    const ScreenPoint sb = pass.mapping.Map(b);
    haveMapped = true;
    mappedWorld = b;
    mappedScreen = sb;
    if (track) {
      DrawTrackLine(port, sa, sb);
    } else {
      if (!penAt || !(penPoint == sa)) port.MoveTo(sa.x, sa.y);
      port.LineTo(sb.x, sb.y);
      penAt = true;
      penPoint = sb;
    }
    if (!pass.layer.labels) continue;
    const int32_t score = SegmentLabelScore(pass.view, pass.area, ppi, a, b, sa, sb);
    if (score > best) {
      best = score;
      result.haveSegment = true;
      result.a = sa;
      result.b = sb;
    }
  }
  MyDisposeHandle(points);
  // LineTo stops short of its end point; the last point of a path is drawn as well.
  if (penAt && !track) port.LineTo(penPoint.x + 1, penPoint.y);
  return 0;
}

void SetLinePen(DrawPass& pass, const Look& look, RGBColour colour, bool keepVisible) {
  DrawPort& port = *pass.port;
  const int16_t style = look.graphics.lineType;
  port.SetPen(PenForLineStyle(style, look.graphics.variant, colour, pass.fatLines, keepVisible));
  if (pass.singleObject) {
    port.SetRasterMode(RasterMode::kNotXor);
  } else {
    port.SetRasterMode(RasterModeForLineStyle(style == kLineTrack ? kLineSolid : style));
  }
}

void SetFillBrush(DrawPass& pass, int16_t pattern, RGBColour colour) {
  DrawPort& port = *pass.port;
  port.SetBrush(BrushForPattern(NormalizePattern(pattern), colour, port.Kind()));
  port.SetRasterMode(pass.singleObject ? RasterMode::kNotXor
                                       : RasterModeForPattern(NormalizePattern(pattern)));
}

}  // namespace

namespace {

// Larger pixel extents (printer pages) halve as they always did.
constexpr int32_t kMaxTablePower = 1 << 16;

void FillBounds(std::vector<int64_t>& bounds, int64_t w0, int64_t w1, int32_t p0, int32_t p1) {
  const int32_t m = (p0 + p1) >> 1;
  if (m == p0) return;
  const int64_t w = (w0 + w1) >> 1;
  bounds[static_cast<size_t>(m)] = w;
  FillBounds(bounds, w0, w, p0, m);
  FillBounds(bounds, w, w1, m, p1);
}

}  // namespace

void IntegerAxis::Setup(int32_t world0, int32_t world1, int32_t pixel0, int32_t pixels) {
  int32_t power = 2;
  while (power < pixels && power < (1 << 30)) power <<= 1;
  power_ = power;
  const int64_t span = std::max<int64_t>(1, static_cast<int64_t>(world1) - world0);
  const int64_t real = std::max<int32_t>(1, pixels);
  w0_ = world0;
  w1_ = world0 + std::max<int64_t>(1, span * power / real);
  p0_ = pixel0;
  pixelsPerUnit_ = static_cast<double>(power) / static_cast<double>(w1_ - w0_);
  bounds_.clear();
  if (power <= kMaxTablePower) {
    bounds_.assign(static_cast<size_t>(power) + 1, 0);
    bounds_[0] = w0_;
    bounds_[static_cast<size_t>(power)] = w1_;
    FillBounds(bounds_, w0_, w1_, 0, power);
  }
}

// Moves the intervals by whole widths until c lies within the world interval.
void IntegerAxis::Shift(int32_t c, int64_t& steps) const {
  const int64_t width = w1_ - w0_;
  steps = 0;
  if (w0_ > c) {
    steps = -((w0_ - c + width - 1) / width);
  } else if (w1_ < c) {
    steps = (c - w1_ + width - 1) / width;
  }
}

int32_t IntegerAxis::Map(int32_t c) const {
  if (bounds_.empty()) return MapByHalving(c);
  int64_t steps = 0;
  Shift(c, steps);
  const int64_t width = w1_ - w0_;
  // Moving both intervals by whole widths moves every compared value by the same amount.
  const int64_t local = c - steps * width;
  const int64_t last = power_ - 1;
  int64_t p = std::clamp<int64_t>(
      static_cast<int64_t>(static_cast<double>(local - w0_) * pixelsPerUnit_), 0, last);
  while (p > 0 && bounds_[static_cast<size_t>(p)] >= local) --p;
  while (p < last && bounds_[static_cast<size_t>(p + 1)] < local) ++p;
  return static_cast<int32_t>(Clamp64(p0_ + steps * power_ + p));
}

int32_t IntegerAxis::MapByHalving(int32_t c) const {
  int64_t steps = 0;
  Shift(c, steps);
  const int64_t width = w1_ - w0_;
  int64_t w0 = w0_ + steps * width;
  int64_t w1 = w1_ + steps * width;
  int64_t p0 = p0_ + steps * power_;
  int64_t p1 = p0 + power_;
  int64_t shift = 0;
  if (p0 < 0) {
    shift = -p0;
    p0 += shift;
    p1 += shift;
  }
  for (;;) {
    const int64_t m = (p0 + p1) >> 1;
    if (m == p0) return static_cast<int32_t>(Clamp64(p0 - shift));
    if (m == p1) return static_cast<int32_t>(Clamp64(p1 - shift));
    const int64_t w = (w0 + w1) >> 1;
    if (w < c) {
      w0 = w;
      p0 = m;
    } else {
      w1 = w;
      p1 = m;
    }
  }
}

void IntegerMapping::Setup(const WRect& world, const ScreenRect& area) {
  x_.Setup(world.x1, world.x2, area.left, area.right - area.left);
  y_.Setup(world.y1, world.y2, area.top, area.bottom - area.top);
  flip_ = area.top + area.bottom;
}

ScreenRect IntegerMapping::MapRect(const WRect& r) const {
  return {MapX(r.x1), MapY(r.y2), MapX(r.x2), MapY(r.y1)};
}

ThematicOverride DecodeThematicCode(const char code[5]) {
  ThematicOverride t;
  for (int i = 0; i < 5; ++i) {
    if (code[i] == '0' && !(code[0] == 'R' && i >= 1 && i <= 3)) t.hidden = true;
  }
  if (code[0] == 'R') {
    t.hidden = code[4] == '0';
    t.customColour = true;
    t.colour = {static_cast<uint8_t>(code[1]), static_cast<uint8_t>(code[2]),
                static_cast<uint8_t>(code[3])};
    if (code[4] != 'X') t.fillPattern = ThematicDigit(code[4]);
    return t;
  }
  if (code[0] != 'X') {
    const int16_t index = ThematicDigit(code[0]);
    if (index >= 0) t.colourCode = ColourCodeForIndex(index);
  }
  if (code[1] != 'X') t.fillPattern = ThematicDigit(code[1]);
  if (code[2] != 'X') t.lineType = ThematicDigit(code[2]);
  if (code[3] != 'X') t.symbol = static_cast<uint8_t>(code[3]);
  if (code[4] != 'X') t.lineWidth = ThematicDigit(code[4]);
  return t;
}

void SetPictureReader(PictureReader reader) {
  Reader() = std::move(reader);
}

bool ClipSegmentToWRect(const WRect& r, WPoint& a, WPoint& b) {
  if (PointInWRect(a, r) && PointInWRect(b, r)) return true;
  // Liang-Barsky on doubles: world values and their differences are exact in a double.
  const double x0 = a.x, y0 = a.y;
  const double dx = static_cast<double>(b.x) - a.x;
  const double dy = static_cast<double>(b.y) - a.y;
  double t0 = 0.0, t1 = 1.0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - r.x1, r.x2 - x0, y0 - r.y1, r.y2 - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const WPoint na{static_cast<int32_t>(std::lround(x0 + t0 * dx)),
                  static_cast<int32_t>(std::lround(y0 + t0 * dy))};
  const WPoint nb{static_cast<int32_t>(std::lround(x0 + t1 * dx)),
                  static_cast<int32_t>(std::lround(y0 + t1 * dy))};
  a = na;
  b = nb;
  return true;
}

int32_t SegmentLabelScore(const WRect& view, const ScreenRect& area, double pixelsPerInch, WPoint a,
                          WPoint b, ScreenPoint sa, ScreenPoint sb) {
  int32_t score = -5;
  if (PointInWRect(a, view)) score += 10;
  if (PointInWRect(b, view)) score += 10;
  const int32_t insetX = (area.right - area.left) / 16;
  const int32_t insetY = (area.bottom - area.top) / 16;
  auto inner = [&](ScreenPoint s) {
    return s.x >= area.left + insetX && s.x < area.right - insetX && s.y >= area.top + insetY &&
           s.y < area.bottom - insetY;
  };
  if (inner(sa) || inner(sb)) score += 2;
  const int64_t dx = static_cast<int64_t>(sb.x) - sa.x;
  const int64_t dy = static_cast<int64_t>(sb.y) - sa.y;
  if (static_cast<double>(std::llabs(dx) + std::llabs(dy)) > pixelsPerInch) score += 3;
  const ScreenPoint left = sa.x <= sb.x ? sa : sb;
  const ScreenPoint right = sa.x <= sb.x ? sb : sa;
  if (left.y > right.y && std::llabs(dy) > std::llabs(dx)) score -= 2;
  return score;
}

std::vector<std::string> SplitTextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      lines.push_back(line);
      line.clear();
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty() || lines.empty()) lines.push_back(line);
  return lines;
}

int32_t FitTextSize(DrawPort& port, const std::vector<std::string>& lines, int16_t fontNumber,
                    int16_t style, int32_t boxWidth, int32_t boxHeight, bool pictureFile) {
  auto widest = [&](int32_t size) {
    port.SetFont(MakeNumberedFont(fontNumber, size, style, 0, port.Kind(), false));
    int32_t w = 0;
    for (const std::string& line : lines) w = std::max(w, port.TextWidth(line));
    return w;
  };
  auto lineHeight = [&](int32_t size) {
    if (pictureFile) return static_cast<int32_t>(size * 1.25);
    port.SetFont(MakeNumberedFont(fontNumber, size, style, 0, port.Kind(), false));
    const FontMetrics m = port.GetFontMetrics();
    return m.ascent + m.descent + m.leading;
  };
  const int32_t atTwelve = widest(kFitStartSize);
  int32_t size =
      atTwelve > 0 ? static_cast<int32_t>(static_cast<int64_t>(boxWidth) * kFitStartSize / atTwelve)
                   : kFitStartSize;
  size = std::min(size, kMaxTextBoxPixels);
  while (size > 0 && widest(size) > boxWidth) --size;
  const int64_t count = static_cast<int64_t>(lines.size());
  while (size > 0 && lineHeight(size) * count > boxHeight) --size;
  return std::max(size, 0);
}

void RingsToScreen(const IntegerMapping& mapping, const std::vector<WPoint>& points,
                   const std::vector<int32_t>& ringStarts, std::vector<ScreenPoint>& out,
                   std::vector<int32_t>& ringSizes) {
  for (size_t r = 0; r < ringStarts.size(); ++r) {
    const size_t begin = static_cast<size_t>(ringStarts[r]);
    const size_t end =
        r + 1 < ringStarts.size() ? static_cast<size_t>(ringStarts[r + 1]) : points.size();
    const size_t first = out.size();
    for (size_t i = begin; i < end; ++i) {
      const ScreenPoint s = mapping.Map(points[i]);
      if (out.size() > first && out.back() == s) continue;
      out.push_back(s);
    }
    const size_t n = out.size() - first;
    if (n > 2) {
      if (!(out.back() == out[first])) out.push_back(out[first]);
    }
    // A ring that does not enclose anything (closed, fewer than three corners) adds nothing.
    const size_t closed = out.size() - first;
    if (n <= 2 || closed < 4) {
      out.resize(first);
      continue;
    }
    ringSizes.push_back(static_cast<int32_t>(closed));
  }
}

int32_t DrawPolygon(DrawPass& pass, BufferedFile& file, int32_t position,
                    const ObjectGraphics& graphics, RGBColour colour, ScreenPoint& labelPoint,
                    bool& haveLabelPoint) {
  haveLabelPoint = false;
  Handle points = nullptr;
  int32_t count = 0;
  const int32_t err = FSGetObjectPoints(file, position, points, count, true);
  if (err != 0) return err;
  std::vector<WPoint> world;
  std::vector<int32_t> starts;
  world.reserve(static_cast<size_t>(count));
  {
    HandleArray<WPoint> view(points);
    const int32_t available = std::min(count, view.Count());
    for (int32_t i = 0; i < available; ++i) {
      WPoint p = view.Get(i);
      const bool piece = (static_cast<uint32_t>(p.x) & kNewPieceBit) != 0 || i == 0;
      p.x = static_cast<int32_t>(static_cast<uint32_t>(p.x) & ~kNewPieceBit);
      if (piece) starts.push_back(static_cast<int32_t>(world.size()));
      world.push_back(p);
    }
  }
  MyDisposeHandle(points);
  std::vector<ScreenPoint> screen;
  std::vector<int32_t> sizes;
  RingsToScreen(pass.mapping, world, starts, screen, sizes);
  if (screen.empty()) return 0;
  // The label goes in the middle of the first inside span of the line through the centre.
  int32_t minX = screen[0].x, maxX = screen[0].x, minY = screen[0].y, maxY = screen[0].y;
  for (const ScreenPoint& s : screen) {
    minX = std::min(minX, s.x);
    maxX = std::max(maxX, s.x);
    minY = std::min(minY, s.y);
    maxY = std::max(maxY, s.y);
  }
  const double cy = minY + (static_cast<double>(maxY) - minY) / 2 + 0.5;
  std::vector<double> crossings;
  size_t at = 0;
  for (int32_t size : sizes) {
    for (int32_t i = 0; i + 1 < size; ++i) {
      const ScreenPoint a = screen[at + i];
      const ScreenPoint b = screen[at + i + 1];
      if ((a.y <= cy) != (b.y <= cy)) {
        crossings.push_back(a.x + (cy - a.y) * (static_cast<double>(b.x) - a.x) /
                                      (static_cast<double>(b.y) - a.y));
      }
    }
    at += static_cast<size_t>(size);
  }
  std::sort(crossings.begin(), crossings.end());
  if (crossings.size() >= 2) {
    labelPoint = {static_cast<int32_t>((crossings[0] + crossings[1]) / 2),
                  static_cast<int32_t>(cy)};
    haveLabelPoint = true;
  }
  const int16_t pattern = NormalizePattern(graphics.fillPattern);
  if (pattern == kPatternNone) return 0;
  SetFillBrush(pass, pattern, colour);
  DrawPort& port = *pass.port;
  port.SetPen(PenSpec{colour, 1, PenStyle::kNone});
  // Ring by ring is quicker than one region, at the price of holes being filled.
  if (graphics.lineType == kLineNone || pass.options.fastMode) {
    size_t start = 0;
    for (int32_t size : sizes) {
      port.Polygon({screen.data() + start, static_cast<size_t>(size)});
      start += static_cast<size_t>(size);
    }
  } else {
    port.FillRegion(screen, sizes);
  }
  return 0;
}

int32_t DrawObject(DrawPass& pass, BufferedFile& file, int32_t position) {
  if (!pass.singleObject) {
    const bool atEarlierStop = pass.haveEarlierStop && pass.earlierStopMapID == pass.layer.mapID &&
                               pass.earlierStopOverlayID == pass.layer.overlayID &&
                               pass.earlierStopPosition == position;
    if (atEarlierStop || (pass.interrupted && pass.interrupted())) {
      pass.stopped = true;
      pass.stopMapID = pass.layer.mapID;
      pass.stopOverlayID = pass.layer.overlayID;
      pass.stopPosition = position;
      return kDrawStopped;
    }
  }
  int16_t type = 0;
  int32_t err = FSGetObjectType(file, position, type);
  if (err != 0) return err;
  if (type == kAliasObject) return 0;
  WRect rect;
  err = FSGetObjectWorldRect(file, position, rect);
  if (err != 0) return err;
  if (pass.singleObject && !WRectsMeet(rect, pass.view)) return 0;
  if (type < kRectangleObject || type > kPictureObject) {
    std::string text = FormatText(kUnknownTypeText, static_cast<long>(type));
    text += '\n';
    text += FormatText(kUnknownTypeOffsetText, "", static_cast<long>(position));
    ShowAlert(text, kStopAlert);
    return 0;
  }
  ObjectGraphics own;
  err = FSGetObjectGraphics(file, position, own);
  if (err != 0) return err;
  bool present = false, active = false;
  uint32_t rgb = 0;
  err = GetObjectCustomColour(file, position, present, active, rgb);
  if (err != 0) return err;
  const RGBColour custom{static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                         static_cast<uint8_t>(rgb)};
  const Look look = ResolveLook(pass, own, present && active, custom);
  const RGBColour colour = ColourForCode(look.colourCode, look.custom);

  if (!pass.singleObject && IsAreaKind(type)) {
    const bool patterned = IsPatternedFill(NormalizePattern(look.graphics.fillPattern));
    if (pass.options.patternedOnly && !patterned) return 0;
    if (pass.options.unpatternedOnly && patterned) return 0;
  } else if (!pass.singleObject && pass.options.patternedOnly) {
    return 0;
  }

  DrawPort& port = *pass.port;
  const ScreenRect screen = pass.mapping.MapRect(rect);
  PolylineResult line;
  ScreenPoint labelPoint;
  bool haveLabelPoint = false;
  switch (type) {
    case kRectangleObject:
    case kCircleObject: {
      const bool circle = type == kCircleObject;
      if (NormalizePattern(look.graphics.fillPattern) != kPatternNone) {
        SetFillBrush(pass, look.graphics.fillPattern, colour);
        circle ? port.FillEllipse(screen) : port.FillRect(screen);
      }
      if (look.graphics.lineType == kLineTrack && !circle) {
        SetLinePen(pass, look, colour, false);
        const ScreenPoint c[4] = {{screen.left, screen.top},
                                  {screen.right, screen.top},
                                  {screen.right, screen.bottom},
                                  {screen.left, screen.bottom}};
        for (int i = 0; i < 4; ++i) DrawTrackLine(port, c[i], c[(i + 1) % 4]);
      } else {
        SetLinePen(pass, look, colour, false);
        // Frames replace the map beneath whatever their style.
        if (!pass.singleObject) port.SetRasterMode(RasterMode::kCopy);
        circle ? port.FrameEllipse(screen) : port.FrameRect(screen);
      }
      break;
    }
    case kPointObject: {
      const ScreenPoint at = pass.mapping.Map({rect.x1, rect.y2});
      if (pass.layer.dots) {
        const int32_t side =
            std::max(kDotMinimumSize, DrawnLineWidth(look.graphics.variant, pass.fatLines));
        port.SetRasterMode(pass.singleObject ? RasterMode::kNotXor : RasterMode::kCopy);
        port.SetBrush(BrushForPattern(kPatternSolid, colour, port.Kind()));
        port.FillRect(
            {at.x - side / 2, at.y - side / 2, at.x - side / 2 + side, at.y - side / 2 + side});
      } else {
        const ScreenRect box = SymbolBox(at, FontPixelSize(kSymbolFontSize));
        DrawSymbol(port, look.graphics.symbol, box, colour, pass.printerFont);
      }
      break;
    }
    case kPolygonObject: {
      err = DrawPolygon(pass, file, position, look.graphics, colour, labelPoint, haveLabelPoint);
      if (err != 0) return err;
      const bool outline = !(look.graphics.lineType == kLineNone &&
                             NormalizePattern(look.graphics.fillPattern) != kPatternNone);
      if (outline) {
        SetLinePen(pass, look, colour, true);
        PolylineResult ignored;
        err = DrawPolylinePath(pass, file, position, look.graphics.lineType == kLineTrack, ignored);
        if (err != 0) return err;
      }
      break;
    }
    case kPolylineObject: {
      SetLinePen(pass, look, colour, true);
      err = DrawPolylinePath(pass, file, position, look.graphics.lineType == kLineTrack, line);
      if (err != 0) return err;
      break;
    }
    case kTextObject:
      DrawTextObject(pass, file, position, look, screen, colour);
      break;
    case kPictureObject:
      DrawPictureObject(pass, file, position, look, screen, colour);
      break;
    default:
      break;
  }
  if (pass.layer.labels && !pass.singleObject) {
    DrawLabel(pass, file, position, type, look, screen, line.haveSegment, line.a, line.b,
              haveLabelPoint, labelPoint);
  }
  return 0;
}

}  // namespace tlv
