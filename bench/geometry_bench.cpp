// Speed of the two conversions every drawing and search pass makes per point.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "geometry/distance.h"
#include "geometry/geo_settings.h"
#include "geometry/screen.h"

namespace {

std::vector<tlv::WPoint> SamplePoints(int n) {
  std::vector<tlv::WPoint> points;
  points.reserve(static_cast<size_t>(n));
  uint32_t seed = 12345;
  for (int i = 0; i < n; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const int32_t x = static_cast<int32_t>(seed % 360000000u);
    seed = seed * 1664525u + 1013904223u;
    const int32_t y = static_cast<int32_t>(seed % 180000000u);
    points.push_back(tlv::WPoint{x, y});
  }
  return points;
}

void BM_GreatCircleDistance(benchmark::State& state) {
  const std::vector<tlv::WPoint> points = SamplePoints(4096);
  size_t i = 0;
  for (auto _ : state) {
    const tlv::WPoint& a = points[i & 4095];
    const tlv::WPoint& b = points[(i + 1) & 4095];
    benchmark::DoNotOptimize(tlv::GreatCircleDistance(a, b, tlv::kUnitMiles));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GreatCircleDistance);

void BM_WorldToScreenPoint(benchmark::State& state) {
  const std::vector<tlv::WPoint> points = SamplePoints(4096);
  const tlv::ViewMapping m{tlv::WRect{170000000, 80000000, 190000000, 95000000},
                           tlv::ScreenRect{40, 40, 1240, 940}};
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tlv::WorldToScreenPoint(m, points[i & 4095]));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WorldToScreenPoint);

}  // namespace
