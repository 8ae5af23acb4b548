// Text objects: the lines fitted to the object's box at the largest size that fits, centred,
// with an optional white framed box behind them.
#include <algorithm>
#include <string>
#include <vector>

#include "render/draw_kinds.h"
#include "render/graphics_tables.h"

namespace tlv {
namespace {

constexpr int32_t kFitStartSize = 12;

}  // namespace

namespace draw_kinds {

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

}  // namespace draw_kinds

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
  const int64_t count = static_cast<int64_t>(lines.size());
  auto fits = [&](int32_t size) {
    if (widest(size) > boxWidth) return false;
    int64_t lineHeight = static_cast<int64_t>(size * 1.25);
    if (!pictureFile) {
      const FontMetrics m = port.GetFontMetrics();
      lineHeight = static_cast<int64_t>(m.ascent) + m.descent + m.leading;
    }
    return lineHeight * count <= boxHeight;
  };
  const int32_t atTwelve = widest(kFitStartSize);
  int32_t start =
      atTwelve > 0 ? static_cast<int32_t>(static_cast<int64_t>(boxWidth) * kFitStartSize / atTwelve)
                   : kFitStartSize;
  start = std::min(start, kMaxTextBoxPixels);
  // The largest size up to the start that fits both ways, found by halving: widths and heights
  // grow with the size, and stepping down one size at a time costs seconds in a big box.
  if (start <= 0) return 0;
  if (fits(start)) return start;
  int32_t low = 0;       // fits (size 0 stands for "none does")
  int32_t high = start;  // does not fit
  while (high - low > 1) {
    const int32_t middle = low + (high - low) / 2;
    if (fits(middle)) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return low;
}

}  // namespace tlv
