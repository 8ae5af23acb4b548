#include "render/time_stamp.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/strings.h"
#include "render/graphics_tables.h"

namespace tlv {

namespace {

constexpr int16_t kMonthNameList = 16500;
constexpr size_t kCustomTextLength = 20;
constexpr int32_t kStampFont = 21;
constexpr int32_t kStampFontSize = 9;
constexpr int32_t kBoxGrowth = kDecorationBoxGrowth;
constexpr double kDefaultX = 0.2;
constexpr double kDefaultY = 0.7;

std::string TwoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string WithoutLeadingZero(std::string text) {
  if (!text.empty() && text[0] == '0') text.erase(0, 1);
  return text;
}

int32_t Units(double inches, double dpi) {
  return static_cast<int32_t>(std::lround(inches * dpi));
}

}  // namespace

std::string FormatStampText(const std::string& text, const LocalTime& t) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 7, "$MONTH$") == 0) {
      out += GetIndString(kMonthNameList, static_cast<int16_t>(std::clamp(t.month, 1, 12)));
      i += 6;
      continue;
    }
    if (text[i] != '%' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    const char code = text[++i];
    const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    switch (code) {
      case 'd':
        out += TwoDigits(t.day);
        break;
      case 'm':
        out += TwoDigits(t.month);
        break;
      case 'y':
        out += TwoDigits(t.year % 100);
        break;
      case 'Y':
        out += std::to_string(t.year);
        break;
      case 'H':
        out += TwoDigits(t.hour);
        break;
      case 'I':
        out += TwoDigits(hour12);
        break;
      case 'M':
        out += TwoDigits(t.minute);
        break;
      case 'S':
        out += TwoDigits(t.second);
        break;
      case 'p':
        out += t.hour < 12 ? "AM" : "PM";
        break;
      case '%':
        out += '%';
        break;
      default:
        out += '%';
        out += code;
        break;
    }
  }
  return out;
}

std::vector<std::string> TimeStampLines(const TimeStampOptions& options, const LocalTime& t) {
  std::vector<std::string> lines;
  switch (options.dateKind) {
    case kStampShort:
      lines.push_back(WithoutLeadingZero(FormatStampText("%m/%d/%y", t)));
      break;
    case kStampLong:
      lines.push_back(FormatStampText("$MONTH$ %d, %Y", t));
      break;
    case kStampCustom:
      lines.push_back(FormatStampText(options.customDate.substr(0, kCustomTextLength), t));
      break;
    default:
      break;
  }
  switch (options.timeKind) {
    case kStampShort:
      lines.push_back(WithoutLeadingZero(FormatStampText("%I:%M %p", t)));
      break;
    case kStampLong:
      lines.push_back(FormatStampText("%H%M", t));
      break;
    case kStampCustom:
      lines.push_back(FormatStampText(options.customTime.substr(0, kCustomTextLength), t));
      break;
    default:
      break;
  }
  if (!options.extraLine.empty()) lines.push_back(options.extraLine.substr(0, kCustomTextLength));
  return lines;
}

TimeStampLayout LayOutTimeStamp(const ScreenRect& area, double dpi,
                                const std::vector<std::string>& lines,
                                const std::vector<int32_t>& widths, int32_t lineHeight,
                                const TimeStampOptions& options) {
  TimeStampLayout layout;
  layout.lines = lines;
  int32_t widest = 0;
  for (const int32_t w : widths) widest = std::max(widest, w);
  const int32_t width = widest + Units(0.2, dpi);
  const int32_t count = std::max<int32_t>(1, static_cast<int32_t>(lines.size()));
  const int32_t height = count * lineHeight + Units(0.12, dpi);
  const ScreenRect box = PlaceDecorationBox(area, options.positionX, options.positionY, kDefaultX,
                                            kDefaultY, width, height);
  layout.textX = box.left + Units(0.1, dpi);
  for (size_t i = 0; i < lines.size(); ++i) {
    layout.baselines.push_back(box.top + static_cast<int32_t>(i + 1) * lineHeight +
                               Units(0.06, dpi));
  }
  layout.box = {box.left - kBoxGrowth, box.top - kBoxGrowth, box.right + kBoxGrowth,
                box.bottom + kBoxGrowth};
  return layout;
}

TimeStampLayout MeasureTimeStamp(DrawPort& port, const ScreenRect& area,
                                 const TimeStampOptions& options, const LocalTime& t) {
  port.SetFont(MakeNumberedFont(kStampFont, kStampFontSize, 0, 0.0, port.Kind(), false));
  const FontMetrics metrics = port.GetFontMetrics();
  const int32_t lineHeight = metrics.ascent + metrics.descent + metrics.leading;
  const std::vector<std::string> lines = TimeStampLines(options, t);
  std::vector<int32_t> widths;
  for (const std::string& line : lines) widths.push_back(port.TextWidth(line));
  return LayOutTimeStamp(area, port.PixelsPerInchX(), lines, widths, lineHeight, options);
}

void DrawTimeStamp(DrawPort& port, const ScreenRect& area, const TimeStampOptions& options,
                   const LocalTime& t) {
  const TimeStampLayout layout = MeasureTimeStamp(port, area, options, t);
  const FontMetrics metrics = port.GetFontMetrics();
  port.SetRasterMode(RasterMode::kCopy);
  BrushSpec white;
  white.kind = BrushKind::kSolid;
  white.foreground = kWhiteColour;
  port.SetBrush(white);
  port.FillRect(layout.box);
  port.SetPen(PenSpec{});
  port.FrameRect(layout.box);
  port.SetTextColour(kBlackColour);
  port.SetTextBackground(false, kWhiteColour);
  for (size_t i = 0; i < layout.lines.size(); ++i) {
    port.DrawText(layout.textX, layout.baselines[i] - metrics.ascent, layout.lines[i]);
  }
}

}  // namespace tlv
