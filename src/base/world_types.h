// World coordinates in millionths of a degree: x = (longitude + 180) * 1e6, y = (latitude + 90) *
// 1e6.
#pragma once

#include <cstdint>

namespace tlv {

struct WPoint {
  int32_t x = 0;
  int32_t y = 0;
};

// Minimum x and y, then maximum x and y. The all-zero rectangle marks an object not placed yet.
struct WRect {
  int32_t x1 = 0;
  int32_t y1 = 0;
  int32_t x2 = 0;
  int32_t y2 = 0;
};

inline bool operator==(const WPoint& a, const WPoint& b) {
  return a.x == b.x && a.y == b.y;
}
inline bool operator==(const WRect& a, const WRect& b) {
  return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

// The start value of a union: any rectangle united with it gives that rectangle.
constexpr WRect kUnionStartRect{360000000, 180000000, 0, 0};

}  // namespace tlv
