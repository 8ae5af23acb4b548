#include "geometry/edge_bands.h"

#include <algorithm>

#include "geometry/proximity.h"

namespace tlv {

namespace {

// Edges per band to begin with, and how often the bands may list each edge on average before
// they are made taller.
constexpr int64_t kEdgesPerBand = 2;
constexpr int64_t kMaxListingsPerEdge = 8;

}  // namespace

EdgeBands::EdgeBands(const SegmentList& edges) : edges_(edges) {
  if (edges.empty() || edges.size() >= UINT32_MAX / kMaxListingsPerEdge) return;
  bottom_ = INT64_MAX;
  top_ = INT64_MIN;
  for (const Segment& s : edges) {
    bottom_ = std::min<int64_t>(bottom_, std::min(s.y1, s.y2));
    top_ = std::max<int64_t>(top_, std::max(s.y1, s.y2));
  }
  const auto count = static_cast<int64_t>(edges.size());
  auto listingsWith = [&edges, this](int64_t height) {
    int64_t listings = 0;
    for (const Segment& s : edges) {
      listings +=
          (std::max(s.y1, s.y2) - bottom_) / height - (std::min(s.y1, s.y2) - bottom_) / height + 1;
    }
    return listings;
  };
  // Fewer, taller bands until the edges are not listed too often: tall edges (a comb, a few
  // long spikes) are met by every ray at their height whatever holds them. One band always
  // fits, and is the plain test over every edge.
  int64_t bands = std::max<int64_t>(1, count / kEdgesPerBand);
  int64_t listings = 0;
  for (;;) {
    height_ = std::max<int64_t>(1, (top_ - bottom_ + bands) / bands);
    listings = listingsWith(height_);
    if (listings <= kMaxListingsPerEdge * count || bands == 1) break;
    bands = std::max<int64_t>(1, bands / 4);
  }
  const int64_t used = (top_ - bottom_) / height_ + 1;
  auto band = [this](int64_t y) { return static_cast<size_t>((y - bottom_) / height_); };
  start_.assign(static_cast<size_t>(used) + 1, 0);
  for (const Segment& s : edges) {
    for (size_t b = band(std::min(s.y1, s.y2)); b <= band(std::max(s.y1, s.y2)); ++b) {
      ++start_[b + 1];
    }
  }
  for (size_t b = 1; b < start_.size(); ++b) start_[b] += start_[b - 1];
  entries_.resize(static_cast<size_t>(listings));
  std::vector<uint32_t> next(start_.begin(), start_.end() - 1);
  for (size_t i = 0; i < edges.size(); ++i) {
    const Segment& s = edges[i];
    for (size_t b = band(std::min(s.y1, s.y2)); b <= band(std::max(s.y1, s.y2)); ++b) {
      entries_[next[b]++] = static_cast<uint32_t>(i);
    }
  }
  usable_ = true;
}

bool EdgeBands::ContainsPoint(WPoint p) const {
  // An edge can cross the ray only when one end lies at or above p.y and the other below, so
  // only edges whose height holds p.y are tested; the parity does not depend on their order.
  if (!usable_ || p.y < bottom_ || p.y > top_) return false;
  const auto b = static_cast<size_t>((p.y - bottom_) / height_);
  bool odd = false;
  for (uint32_t k = start_[b]; k < start_[b + 1]; ++k) {
    const Segment& s = edges_[entries_[k]];
    if (std::max(s.x1, s.x2) < p.x) continue;
    if (SegmentCrossesRay(s, p)) odd = !odd;
  }
  return odd;
}

}  // namespace tlv
