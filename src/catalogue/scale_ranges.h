// The values the Overlay Scale Ranges dialog may store: scale denominators inside the map view's
// limits, with the range's zoomed-in end below its zoomed-out end.
#pragma once

#include <cstdint>

namespace tlv {

constexpr int32_t kScaleRangeSmallest = 500;
constexpr int32_t kScaleRangeLargest = 262144000;
// The slider stops: kScaleRangeSmallest times a power of two, up to the largest scale.
constexpr int32_t kScaleRangeStops = 20;

enum ScaleRangeField : int32_t { kZoomedInScale = 0, kZoomedOutScale, kNamesScale, kDotsScale };

// Clamps each scale into the limits and swaps the range's ends when they are out of order.
void NormaliseScaleRanges(int32_t (&scales)[4]);
// The slider stop nearest to a scale (on the doubling steps), and the scale of a stop.
int32_t ScaleRangeStop(int32_t scale);
int32_t ScaleOfRangeStop(int32_t stop);

}  // namespace tlv
