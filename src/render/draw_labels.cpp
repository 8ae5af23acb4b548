// Name labels of objects: along a polyline's best segment, turned to its angle; at a polygon's
// inside point; under other objects on screen and beside them in picture files.
#include <cmath>
#include <string>
#include <utility>

#include "base/platform.h"
#include "base/strings.h"
#include "render/draw_kinds.h"
#include "render/graphics_tables.h"
#include "store/object_record.h"

namespace tlv::draw_kinds {
namespace {

constexpr const char* kLabelTroubleText = "Technical Error: Trouble labelling object.";
constexpr double kDegreesPerRadian = 57.29577951307855;
constexpr int32_t kUntitledMessage = 10;

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

}  // namespace

void DrawLabel(DrawPass& pass, BufferedFile& file, int32_t position, int16_t type, const Look& look,
               const ScreenRect& screen, const PolylineResult& line, bool havePoint,
               ScreenPoint point) {
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
    if (!line.haveSegment) return;
    double degrees = 0;
    ScreenPoint start;
    PlacePolylineLabel(line.a, line.b, degrees, start);
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

}  // namespace tlv::draw_kinds
