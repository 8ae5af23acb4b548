#include "render/decoration_place.h"

#include <algorithm>
#include <cmath>

namespace tlv {

namespace {

double Fraction(int32_t position, double fallback) {
  if (position == kDecorationUnset) return fallback;
  return std::clamp(position, 0, kDecorationScale) / static_cast<double>(kDecorationScale);
}

// Moves [low, high) by the least amount that puts it inside [areaLow, areaHigh); one too long to
// fit keeps its start at the area's start.
void KeepInside(int32_t& low, int32_t& high, int32_t areaLow, int32_t areaHigh) {
  if (high > areaHigh) {
    low -= high - areaHigh;
    high = areaHigh;
  }
  if (low < areaLow) {
    high += areaLow - low;
    low = areaLow;
  }
}

}  // namespace

ScreenRect PlaceDecorationBox(const ScreenRect& area, int32_t positionX, int32_t positionY,
                              double defaultX, double defaultY, int32_t width, int32_t height) {
  const double fx = Fraction(positionX, defaultX);
  const double fy = Fraction(positionY, defaultY);
  const int32_t cx = area.left + static_cast<int32_t>(std::lround((area.right - area.left) * fx));
  const int32_t cy = area.top + static_cast<int32_t>(std::lround((area.bottom - area.top) * fy));
  int32_t left = cx - width / 2 - kDecorationBoxGrowth;
  int32_t right = cx - width / 2 + width + kDecorationBoxGrowth;
  int32_t top = cy - height / 2 - kDecorationBoxGrowth;
  int32_t bottom = cy - height / 2 + height + kDecorationBoxGrowth;
  KeepInside(left, right, area.left, area.right);
  KeepInside(top, bottom, area.top, area.bottom);
  return {left + kDecorationBoxGrowth, top + kDecorationBoxGrowth, right - kDecorationBoxGrowth,
          bottom - kDecorationBoxGrowth};
}

void DecorationPositionAt(const ScreenRect& area, ScreenPoint centre, int32_t& positionX,
                          int32_t& positionY) {
  const auto position = [](int32_t at, int32_t low, int32_t high) {
    if (high <= low) return 0;
    const double f = (double(at) - low) / (double(high) - low);
    return std::clamp(static_cast<int32_t>(std::lround(f * kDecorationScale)), 0, kDecorationScale);
  };
  positionX = position(centre.x, area.left, area.right);
  positionY = position(centre.y, area.top, area.bottom);
}

}  // namespace tlv
