// The even-odd inside test of many points against one fixed list of edges. Each edge is listed
// in the horizontal bands its height spans, so a point looks only at the edges of its band: a
// ray query through a tree of boxes meets every node the ray's long thin box passes, which cost
// more than the tests themselves when every piece of a 100,000-edge union asks.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/polygon_ops.h"

namespace tlv {

class EdgeBands {
 public:
  // Indexes edges, which must outlive this. Usable() is false only for a list too long to
  // number in 32 bits; the caller then asks its tree.
  explicit EdgeBands(const SegmentList& edges);

  bool Usable() const { return usable_; }

  // Whether p is inside by the even-odd rule over all the edges, ray toward +x, exactly as
  // SegmentsContainPoint answers it.
  bool ContainsPoint(WPoint p) const;

 private:
  const SegmentList& edges_;
  bool usable_ = false;
  int64_t bottom_ = 0;           // lowest y of any edge
  int64_t top_ = 0;              // highest y of any edge
  int64_t height_ = 1;           // of one band
  std::vector<uint32_t> start_;  // band b lists entries_[start_[b]] to entries_[start_[b + 1]]
  std::vector<uint32_t> entries_;
};

}  // namespace tlv
