// The time stamp that floats over the map: the date, the time and an extra line, formatted from
// the local time of drawing by our own formatter (never the C library's locale).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/platform.h"
#include "geometry/screen.h"
#include "render/decoration_place.h"
#include "render/draw_port.h"

namespace tlv {

// Kinds of the date line and of the time line.
constexpr int16_t kStampNone = 0;
constexpr int16_t kStampShort = 1;   // date "5/05/09"; time "2:59 PM"
constexpr int16_t kStampLong = 2;    // date "May 05, 2009"; time "1459"
constexpr int16_t kStampCustom = 3;  // the custom text, with the same codes

// Replaces %d %m %y %Y %H %I %M %S %p and $MONTH$ in text with the parts of t; "%%" is "%".
std::string FormatStampText(const std::string& text, const LocalTime& t);

struct TimeStampOptions {
  int16_t dateKind = kStampShort;
  int16_t timeKind = kStampShort;
  std::string customDate;  // at most 20 characters are used
  std::string customTime;
  std::string extraLine;                 // shown when not empty
  int32_t positionX = kDecorationUnset;  // 1/32000 of the area; unset: the default (0.2, 0.7)
  int32_t positionY = kDecorationUnset;
};

// The lines of the stamp, top to bottom (none for kinds 0 and an empty extra line).
std::vector<std::string> TimeStampLines(const TimeStampOptions& options, const LocalTime& t);

struct TimeStampLayout {
  ScreenRect box;  // grown by 3 device units on each side
  std::vector<std::string> lines;
  int32_t textX = 0;
  std::vector<int32_t> baselines;
};

// widths[i] is the drawn width of line i; lineHeight the font's line height (device units).
TimeStampLayout LayOutTimeStamp(const ScreenRect& area, double dpi,
                                const std::vector<std::string>& lines,
                                const std::vector<int32_t>& widths, int32_t lineHeight,
                                const TimeStampOptions& options);

// The layout on the port at the local time given, measured in the stamp's font (left selected).
TimeStampLayout MeasureTimeStamp(DrawPort& port, const ScreenRect& area,
                                 const TimeStampOptions& options, const LocalTime& t);

// Draws the stamp on a white box with a one-unit frame, at the local time given.
void DrawTimeStamp(DrawPort& port, const ScreenRect& area, const TimeStampOptions& options,
                   const LocalTime& t);

}  // namespace tlv
