#include "catalogue/scale_ranges.h"

#include <algorithm>
#include <cmath>

namespace tlv {

void NormaliseScaleRanges(int32_t (&scales)[4]) {
  for (int32_t& scale : scales) scale = std::clamp(scale, kScaleRangeSmallest, kScaleRangeLargest);
  if (scales[kZoomedInScale] > scales[kZoomedOutScale]) {
    std::swap(scales[kZoomedInScale], scales[kZoomedOutScale]);
  }
}

int32_t ScaleRangeStop(int32_t scale) {
  const int32_t clamped = std::clamp(scale, kScaleRangeSmallest, kScaleRangeLargest);
  const double steps = std::log2(static_cast<double>(clamped) / kScaleRangeSmallest);
  return std::clamp(static_cast<int32_t>(std::lround(steps)), 0, kScaleRangeStops - 1);
}

int32_t ScaleOfRangeStop(int32_t stop) {
  return kScaleRangeSmallest << std::clamp(stop, 0, kScaleRangeStops - 1);
}

}  // namespace tlv
