#include "geometry/polygon_ops.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <new>
#include <queue>
#include <utility>

#include <boost/geometry/geometries/box.hpp>
#include <boost/geometry/geometries/point.hpp>
#include <boost/geometry/index/rtree.hpp>

#include "base/errors.h"
#include "geometry/distance.h"
#include "geometry/edge_bands.h"
#include "geometry/proximity.h"
#include "geometry/wrect.h"

namespace tlv {

namespace {

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

// The tree only finds candidates (segments whose boxes meet a box); every answer is then decided
// by the same exact tests the plain loops use, so it never changes a result.
using BoxPoint = bg::model::point<int32_t, 2, bg::cs::cartesian>;
using Box = bg::model::box<BoxPoint>;
using BoxValue = std::pair<Box, int32_t>;
using SegmentTree = bgi::rtree<BoxValue, bgi::quadratic<16>>;

constexpr uint32_t kPieceBit = 0x80000000u;
constexpr int32_t kCirclePoints = 32;
constexpr int32_t kCombinationCirclePoints = 36;
constexpr double kHalfPi = 1.5707963267948966;
// One step of the 32-point circle, and the tenth of it by which a failed start angle turns.
constexpr double kCircleStep = 0.196349540849375;
constexpr double kStartAngleTurn = 0.0196349540849375;

WPoint Start(const Segment& s) {
  return {s.x1, s.y1};
}
WPoint End(const Segment& s) {
  return {s.x2, s.y2};
}
Segment Reversed(const Segment& s) {
  return {s.x2, s.y2, s.x1, s.y1};
}
Segment Join(WPoint a, WPoint b) {
  return {a.x, a.y, b.x, b.y};
}

uint64_t PointKey(WPoint p) {
  return (uint64_t{static_cast<uint32_t>(p.x)} << 32) | static_cast<uint32_t>(p.y);
}

Box SegmentBox(const Segment& s) {
  return Box(BoxPoint(std::min(s.x1, s.x2), std::min(s.y1, s.y2)),
             BoxPoint(std::max(s.x1, s.x2), std::max(s.y1, s.y2)));
}

WRect SegmentWRect(const Segment& s) {
  return {std::min(s.x1, s.x2), std::min(s.y1, s.y2), std::max(s.x1, s.x2), std::max(s.y1, s.y2)};
}

SegmentTree BuildTree(const SegmentList& list, const WRect* clip = nullptr) {
  std::vector<BoxValue> values;
  values.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    if (clip != nullptr && !WRectsOverlap(SegmentWRect(list[i]), *clip)) continue;
    values.emplace_back(SegmentBox(list[i]), static_cast<int32_t>(i));
  }
  return SegmentTree(values.begin(), values.end());
}

// Even-odd over the whole list, with only the edges the ray can meet looked at.
bool TreeContainsPoint(const SegmentTree& tree, const SegmentList& edges, WPoint p) {
  const Box ray(BoxPoint(p.x, p.y), BoxPoint(std::numeric_limits<int32_t>::max(), p.y));
  bool odd = false;
  for (auto it = tree.qbegin(bgi::intersects(ray)); it != tree.qend(); ++it) {
    if (SegmentCrossesRay(edges[static_cast<size_t>(it->second)], p)) odd = !odd;
  }
  return odd;
}

int64_t Cross(int64_t ax, int64_t ay, int64_t bx, int64_t by) {
  return ax * by - ay * bx;
}

bool OnSegment(const Segment& s, WPoint q) {
  if (!WPointInWRect(q, SegmentWRect(s))) return false;
  return Cross(int64_t{s.x2} - s.x1, int64_t{s.y2} - s.y1, int64_t{q.x} - s.x1,
               int64_t{q.y} - s.y1) == 0;
}

bool TreeBoundaryHolds(const SegmentTree& tree, const SegmentList& edges, WPoint p) {
  const Box at(BoxPoint(p.x, p.y), BoxPoint(p.x, p.y));
  for (auto it = tree.qbegin(bgi::intersects(at)); it != tree.qend(); ++it) {
    if (OnSegment(edges[static_cast<size_t>(it->second)], p)) return true;
  }
  return false;
}

bool Parallel(const Segment& p, const Segment& q) {
  return Cross(int64_t{p.x2} - p.x1, int64_t{p.y2} - p.y1, int64_t{q.x2} - q.x1,
               int64_t{q.y2} - q.y1) == 0;
}

// Splits piece m of a run at p, as AddSegment splits a listed segment: nothing when p is an end.
void SplitRun(std::vector<WPoint>& run, size_t m, WPoint p) {
  if (p == run[m] || p == run[m + 1]) return;
  run.insert(run.begin() + static_cast<std::ptrdiff_t>(m) + 1, p);
}

// Splits piece m of a run at those of the given points that lie strictly inside it, the farthest
// from its start first, so the pieces end up in order along it.
void SplitRunAtInnerPoints(std::vector<WPoint>& run, size_t m, const Segment& piece, WPoint q1,
                           WPoint q2) {
  WPoint inner[2];
  int count = 0;
  if (PointStrictlyInsideSegment(piece, q1)) inner[count++] = q1;
  if (PointStrictlyInsideSegment(piece, q2) && !(count == 1 && inner[0] == q2)) {
    inner[count++] = q2;
  }
  if (count == 2) {
    auto distance = [&piece](WPoint q) {
      const int64_t dx = int64_t{q.x} - piece.x1;
      const int64_t dy = int64_t{q.y} - piece.y1;
      return std::llabs(dx) + std::llabs(dy);
    };
    if (distance(inner[0]) < distance(inner[1])) std::swap(inner[0], inner[1]);
  }
  for (int i = 0; i < count; ++i) SplitRun(run, m, inner[i]);
}

// One step of the crossing loop: piece m of A's run against piece n of B's run.
void SplitPair(std::vector<WPoint>& aRun, size_t m, std::vector<WPoint>& bRun, size_t n) {
  const Segment a = Join(aRun[m], aRun[m + 1]);
  const Segment b = Join(bRun[n], bRun[n + 1]);
  if (!SegmentsCross(Start(a), End(a), Start(b), End(b))) return;
  if (Parallel(a, b)) {
    // Overlapping along a line: the crossing formula would divide by zero, so each is cut at the
    // other's ends instead, whether or not they share one.
    SplitRunAtInnerPoints(aRun, m, a, Start(b), End(b));
    SplitRunAtInnerPoints(bRun, n, b, Start(a), End(a));
    return;
  }
  if (SegmentsJoined(a, b)) return;
  const WPoint p = SegmentCrossingPoint(a, b);
  SplitRun(aRun, m, p);
  SplitRun(bRun, n, p);
}

using PieceRuns = std::vector<std::vector<WPoint>>;

// A segment's run is made only when a crossing test first reaches it: most segments of a large
// operand meet nothing, and a small vector for each cost more than the crossings. An empty run
// stands for the segment whole.
std::vector<WPoint>& RunOf(PieceRuns& runs, const SegmentList& list, size_t i) {
  std::vector<WPoint>& run = runs[i];
  if (run.empty()) run = {Start(list[i]), End(list[i])};
  return run;
}

SegmentList Flatten(const PieceRuns& runs, const SegmentList& list) {
  size_t total = 0;
  for (const auto& run : runs) total += run.empty() ? 1 : run.size() - 1;
  SegmentList pieces;
  pieces.reserve(total);
  for (size_t s = 0; s < runs.size(); ++s) {
    const std::vector<WPoint>& run = runs[s];
    if (run.empty()) {
      pieces.push_back(list[s]);
      continue;
    }
    for (size_t i = 0; i + 1 < run.size(); ++i) pieces.push_back(Join(run[i], run[i + 1]));
  }
  return pieces;
}

// The crossing loop, segment for segment as the nested loop over A and B would run it: A's
// segments in list order, each one's pieces in order along it, against B's pieces in list order.
// Only B segments whose boxes meet the A segment's box are visited; pieces stay inside their
// segment's box, so the others could never cross.
void SplitOperands(const SegmentList& a, const SegmentList& b, const WRect* clip, PieceRuns& aRuns,
                   PieceRuns& bRuns) {
  aRuns.assign(a.size(), {});
  bRuns.assign(b.size(), {});
  const SegmentTree tree = BuildTree(b, clip);
  std::vector<int32_t> candidates;
  std::vector<BoxValue> hits;
  for (size_t s = 0; s < a.size(); ++s) {
    // The tree's own query visits its nodes directly; its step-by-step iterator cost several
    // times more per A segment, though both find the same boxes.
    hits.clear();
    tree.query(bgi::intersects(SegmentBox(a[s])), std::back_inserter(hits));
    if (hits.empty()) continue;
    candidates.clear();
    for (const BoxValue& hit : hits) candidates.push_back(hit.second);
    std::sort(candidates.begin(), candidates.end());
    std::vector<WPoint>& run = RunOf(aRuns, a, s);
    for (size_t m = 0; m + 1 < run.size(); ++m) {
      for (const int32_t k : candidates) {
        std::vector<WPoint>& bRun = RunOf(bRuns, b, static_cast<size_t>(k));
        for (size_t n = 0; n + 1 < bRun.size(); ++n) SplitPair(run, m, bRun, n);
      }
    }
  }
}

void KeepPieces(const SegmentList& pieces, const SegmentList& other, bool keepInside,
                bool keepOutside, SegmentList& kept) {
  if (!keepInside && !keepOutside) return;
  const EdgeBands bands(other);
  if (bands.Usable()) {
    for (const Segment& s : pieces) {
      const bool inside = bands.ContainsPoint(SegmentMidpoint(s));
      if ((inside && keepInside) || (!inside && keepOutside)) kept.push_back(s);
    }
    return;
  }
  const SegmentTree otherTree = BuildTree(other);
  for (const Segment& s : pieces) {
    const bool inside = TreeContainsPoint(otherTree, other, SegmentMidpoint(s));
    if ((inside && keepInside) || (!inside && keepOutside)) kept.push_back(s);
  }
}

// Whether a and b, which share an end point, meet nowhere else.
bool MeetOnlyAtSharedEnd(const Segment& a, const Segment& b) {
  const WPoint a1 = Start(a), a2 = End(a), b1 = Start(b), b2 = End(b);
  if ((a1 == b1 && a2 == b2) || (a1 == b2 && a2 == b1)) return a1 == a2;
  WPoint shared, aOther, bOther;
  if (a1 == b1 || a1 == b2) {
    shared = a1;
    aOther = a2;
    bOther = a1 == b1 ? b2 : b1;
  } else {
    shared = a2;
    aOther = a1;
    bOther = a2 == b1 ? b2 : b1;
  }
  if (aOther == shared || bOther == shared) return true;
  const int64_t ax = int64_t{aOther.x} - shared.x, ay = int64_t{aOther.y} - shared.y;
  const int64_t bx = int64_t{bOther.x} - shared.x, by = int64_t{bOther.y} - shared.y;
  if (Cross(ax, ay, bx, by) != 0) return true;
  // On one line: they meet only at the shared point when they leave it in opposite directions.
  return ax * bx + ay * by < 0;
}

bool MidpointsStrictlyInside(const SegmentList& pieces, const SegmentTree& otherTree,
                             const SegmentList& other) {
  for (const Segment& s : pieces) {
    const WPoint mid = SegmentMidpoint(s);
    if (TreeContainsPoint(otherTree, other, mid) && !TreeBoundaryHolds(otherTree, other, mid)) {
      return true;
    }
  }
  return false;
}

// A set of end points in one flat table (open addressing): a node per point, as the standard
// set makes, cost more than the union's whole test of shared ends.
class PointSet {
 public:
  explicit PointSet(size_t count) {
    size_t capacity = 16;
    while (capacity < count * 2) capacity *= 2;
    slots_.assign(capacity, kEmpty);
    mask_ = capacity - 1;
  }
  void Insert(uint64_t key) {
    if (key == kEmpty) {
      hasEmptyKey_ = true;
      return;
    }
    size_t i = Hash(key) & mask_;
    while (slots_[i] != kEmpty && slots_[i] != key) i = (i + 1) & mask_;
    slots_[i] = key;
  }
  bool Contains(uint64_t key) const {
    if (key == kEmpty) return hasEmptyKey_;
    for (size_t i = Hash(key) & mask_; slots_[i] != kEmpty; i = (i + 1) & mask_) {
      if (slots_[i] == key) return true;
    }
    return false;
  }

 private:
  static constexpr uint64_t kEmpty = ~uint64_t{0};
  static size_t Hash(uint64_t key) {
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    return static_cast<size_t>(key);
  }
  std::vector<uint64_t> slots_;
  size_t mask_ = 0;
  bool hasEmptyKey_ = false;
};

bool ShareEndPoint(const SegmentList& a, const SegmentList& b) {
  PointSet ends(a.size() * 2);
  for (const Segment& s : a) {
    ends.Insert(PointKey(Start(s)));
    ends.Insert(PointKey(End(s)));
  }
  for (const Segment& s : b) {
    if (ends.Contains(PointKey(Start(s))) || ends.Contains(PointKey(End(s)))) return true;
  }
  return false;
}

// A stable sort by a 64-bit member key, sixteen bits a pass (passes where every key has the
// same digit are skipped): for the hundreds of thousands of end points of a large union, a
// comparison sort cost more than chaining them.
template <typename T>
void StableRadixSortByKey(std::vector<T>& items) {
  if (items.size() < 2) return;
  constexpr int kBits = 16;
  constexpr size_t kDigits = size_t{1} << kBits;
  std::vector<T> other(items.size());
  std::vector<size_t> count(kDigits + 1);
  for (int shift = 0; shift < 64; shift += kBits) {
    auto digit = [shift](const T& item) {
      return static_cast<size_t>((item.key >> shift) & (kDigits - 1));
    };
    std::fill(count.begin(), count.end(), 0);
    for (const T& item : items) ++count[digit(item) + 1];
    if (count[digit(items[0]) + 1] == items.size()) continue;
    for (size_t d = 1; d <= kDigits; ++d) count[d] += count[d - 1];
    for (const T& item : items) other[count[digit(item)]++] = item;
    items.swap(other);
  }
}

int32_t SaturatedCoordinate(double v) {
  if (!(v > -2147483648.0)) return std::numeric_limits<int32_t>::min();
  if (!(v < 2147483647.0)) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

WPoint Offset(WPoint p, double dx, double dy) {
  return {SaturatedCoordinate(static_cast<double>(p.x) + dx),
          SaturatedCoordinate(static_cast<double>(p.y) + dy)};
}

// A closed ring through the points, leaving out repeats of the point before; empty when fewer
// than three points remain.
SegmentList RingThrough(const std::vector<WPoint>& points) {
  std::vector<WPoint> distinct;
  distinct.reserve(points.size());
  for (const WPoint& p : points) {
    if (distinct.empty() || !(distinct.back() == p)) distinct.push_back(p);
  }
  while (distinct.size() > 1 && distinct.back() == distinct.front()) distinct.pop_back();
  SegmentList ring;
  if (distinct.size() < 3) return ring;
  ring.reserve(distinct.size());
  for (size_t i = 0; i < distinct.size(); ++i) {
    ring.push_back(Join(distinct[i], distinct[(i + 1) % distinct.size()]));
  }
  return ring;
}

bool InsideAnyExclusion(const std::vector<const SegmentList*>& exclusions, WPoint p) {
  for (const SegmentList* exclusion : exclusions) {
    if (exclusion != nullptr && SegmentsContainPoint(exclusion->data(), exclusion->size(), p)) {
      return true;
    }
  }
  return false;
}

int32_t ReportMemory(const char* caller) {
  ReportError(caller, "MyNewHandle()", kErrMemoryFull);
  return kErrMemoryFull;
}

// Runs a list operation for a Handle function: a lack of memory anywhere inside is reported with
// the function's name and leaves no Handle behind.
template <typename Make>
int32_t HandleResult(const char* caller, Handle& result, Make make) {
  result = nullptr;
  try {
    const SegmentList list = make();
    return SegmentListToHandle(list, caller, result);
  } catch (const std::bad_alloc&) {
    return ReportMemory(caller);
  }
}

}  // namespace

WPoint SegmentCrossingPoint(const Segment& p, const Segment& q) {
  const int64_t nx = -(int64_t{q.y2} - q.y1);
  const int64_t ny = int64_t{q.x2} - q.x1;
  const int64_t numerator = nx * (int64_t{q.x1} - p.x1) + ny * (int64_t{q.y1} - p.y1);
  const int64_t denominator = nx * (int64_t{p.x2} - p.x1) + ny * (int64_t{p.y2} - p.y1);
  double t =
      denominator == 0 ? 0.0 : static_cast<double>(numerator) / static_cast<double>(denominator);
  t = std::clamp(t, 0.0, 1.0);
  WPoint c{static_cast<int32_t>(std::floor(p.x1 + t * (static_cast<double>(p.x2) - p.x1) + 0.5)),
           static_cast<int32_t>(std::floor(p.y1 + t * (static_cast<double>(p.y2) - p.y1) + 0.5))};
  // A point outside either box would let a piece leave its segment's box; rounding of nearly
  // parallel segments is the only way there, and the nearest box point is as good.
  const WRect both = IntersectWRect(SegmentWRect(p), SegmentWRect(q));
  if (!(both == WRect{0, 0, 0, 0})) {
    c.x = std::clamp(c.x, both.x1, both.x2);
    c.y = std::clamp(c.y, both.y1, both.y2);
  }
  return c;
}

bool PointStrictlyInsideSegment(const Segment& s, WPoint q) {
  const int64_t dx = int64_t{s.x2} - s.x1, dy = int64_t{s.y2} - s.y1;
  const int64_t qx = int64_t{q.x} - s.x1, qy = int64_t{q.y} - s.y1;
  if (Cross(dx, dy, qx, qy) != 0) return false;
  const int64_t along = dx * qx + dy * qy;
  return along > 0 && along < dx * dx + dy * dy;
}

WPoint SegmentMidpoint(const Segment& s) {
  return {static_cast<int32_t>((int64_t{s.x1} + s.x2) / 2),
          static_cast<int32_t>((int64_t{s.y1} + s.y2) / 2)};
}

void OrderSegmentChains(SegmentList& segments) {
  const size_t n = segments.size();
  if (n < 2) return;
  // Every end point once, numbered in sorted order, with the segments that end there in list
  // order (a sort instead of a hash map: no allocation per point).
  struct Incidence {
    uint64_t key;
    int32_t id;
  };
  std::vector<Incidence> incidences;
  incidences.reserve(n * 2);
  for (size_t i = 0; i < n; ++i) {
    const auto id = static_cast<int32_t>(i);
    incidences.push_back({PointKey(Start(segments[i])), id});
    if (!(Start(segments[i]) == End(segments[i]))) {
      incidences.push_back({PointKey(End(segments[i])), id});
    }
  }
  // By point, and by segment within a point: they were made in segment order, so a stable sort
  // by point alone gives that order.
  StableRadixSortByKey(incidences);
  std::vector<int32_t> startPoint(n), endPoint(n), ids(incidences.size());
  std::vector<int32_t> head, stop, live;
  for (size_t k = 0; k < incidences.size(); ++k) {
    if (k == 0 || incidences[k].key != incidences[k - 1].key) {
      head.push_back(static_cast<int32_t>(k));
      stop.push_back(static_cast<int32_t>(k));
      live.push_back(0);
    }
    const auto point = static_cast<int32_t>(head.size() - 1);
    const auto i = static_cast<size_t>(incidences[k].id);
    ids[k] = incidences[k].id;
    ++stop.back();
    ++live.back();
    if (PointKey(Start(segments[i])) == incidences[k].key) startPoint[i] = point;
    if (PointKey(End(segments[i])) == incidences[k].key) endPoint[i] = point;
  }
  incidences = {};
  std::vector<char> placed(n, 0);
  using MinHeap = std::priority_queue<int32_t, std::vector<int32_t>, std::greater<>>;
  MinHeap looseStarts, looseEnds;
  for (size_t i = 0; i < n; ++i) {
    if (live[static_cast<size_t>(startPoint[i])] == 1) looseStarts.push(static_cast<int32_t>(i));
    if (live[static_cast<size_t>(endPoint[i])] == 1) looseEnds.push(static_cast<int32_t>(i));
  }
  SegmentList out;
  out.reserve(n);
  auto firstUnplacedAt = [&](size_t point) -> int32_t {
    int32_t& at = head[point];
    while (at < stop[point] && placed[static_cast<size_t>(ids[static_cast<size_t>(at)])]) ++at;
    return at < stop[point] ? ids[static_cast<size_t>(at)] : -1;
  };
  auto release = [&](size_t point) {
    if (--live[point] != 1) return;
    // The one segment left at the point now has a loose end there.
    const int32_t t = firstUnplacedAt(point);
    if (t < 0) return;
    if (static_cast<size_t>(startPoint[static_cast<size_t>(t)]) == point) looseStarts.push(t);
    if (static_cast<size_t>(endPoint[static_cast<size_t>(t)]) == point) looseEnds.push(t);
  };
  size_t joint = 0;
  auto place = [&](size_t i, bool reverse) {
    placed[i] = 1;
    const Segment s = segments[i];
    out.push_back(reverse ? Reversed(s) : s);
    const auto a = static_cast<size_t>(startPoint[i]);
    const auto b = static_cast<size_t>(endPoint[i]);
    release(a);
    if (a != b) release(b);
    joint = reverse ? a : b;
  };
  auto popUnplaced = [&](MinHeap& heap) -> int32_t {
    while (!heap.empty() && placed[static_cast<size_t>(heap.top())]) heap.pop();
    return heap.empty() ? -1 : heap.top();
  };
  size_t firstUnplaced = 0;
  while (out.size() < n) {
    int32_t pick = popUnplaced(looseStarts);
    bool reverse = false;
    if (pick < 0) {
      pick = popUnplaced(looseEnds);
      reverse = pick >= 0;
    }
    if (pick < 0) {
      while (placed[firstUnplaced]) ++firstUnplaced;
      pick = static_cast<int32_t>(firstUnplaced);
    }
    place(static_cast<size_t>(pick), reverse);
    for (;;) {
      const int32_t next = firstUnplacedAt(joint);
      if (next < 0) break;
      place(static_cast<size_t>(next),
            static_cast<size_t>(startPoint[static_cast<size_t>(next)]) != joint);
    }
  }
  segments.swap(out);
}

SegmentList CombineSegmentLists(const SegmentList& a, const SegmentList& b,
                                const KeepSwitches& keep, const WRect* clip) {
  PieceRuns aRuns, bRuns;
  SplitOperands(a, b, clip, aRuns, bRuns);
  const SegmentList aPieces = Flatten(aRuns, a);
  const SegmentList bPieces = Flatten(bRuns, b);
  aRuns.clear();
  bRuns.clear();
  SegmentList kept;
  KeepPieces(aPieces, bPieces, keep.aInsideB, keep.aOutsideB, kept);
  KeepPieces(bPieces, aPieces, keep.bInsideA, keep.bOutsideA, kept);
  OrderSegmentChains(kept);
  return kept;
}

bool OperandsOnlyTouch(const SegmentList& a, const SegmentList& b) {
  const SegmentTree aTree = BuildTree(a);
  const SegmentTree bTree = BuildTree(b);
  for (const Segment& s : a) {
    for (auto it = bTree.qbegin(bgi::intersects(SegmentBox(s))); it != bTree.qend(); ++it) {
      const Segment& t = b[static_cast<size_t>(it->second)];
      if (!SegmentsCross(Start(s), End(s), Start(t), End(t))) continue;
      if (!SegmentsJoined(s, t) || !MeetOnlyAtSharedEnd(s, t)) return false;
    }
  }
  return !MidpointsStrictlyInside(a, bTree, b) && !MidpointsStrictlyInside(b, aTree, a);
}

SegmentList UniteSegmentLists(const SegmentList& a, const SegmentList& b, bool& concatenated) {
  concatenated = false;
  if (ShareEndPoint(a, b) && OperandsOnlyTouch(a, b)) {
    concatenated = true;
    SegmentList both;
    both.reserve(a.size() + b.size());
    both.insert(both.end(), a.begin(), a.end());
    both.insert(both.end(), b.begin(), b.end());
    return both;
  }
  return CombineSegmentLists(a, b, kUnionSwitches);
}

SegmentList EnvelopeCircle(WPoint centre, int32_t rx, int32_t ry,
                           const std::vector<const SegmentList*>& exclusions, double startAngle,
                           double* usedAngle) {
  double angle = startAngle;
  for (;;) {
    if (usedAngle != nullptr) *usedAngle = angle;
    WPoint points[kCirclePoints];
    bool outside[kCirclePoints];
    int32_t firstOutside = -1;
    for (int32_t k = 0; k < kCirclePoints; ++k) {
      const double a = angle + k * (1.0 / kCirclePoints) * kTwoPi;
      points[k] = Offset(centre, std::trunc(std::cos(a) * rx), std::trunc(std::sin(a) * ry));
      outside[k] = !InsideAnyExclusion(exclusions, points[k]);
      if (outside[k] && firstOutside < 0) firstOutside = k;
    }
    std::vector<WPoint> kept;
    bool lastWasCentre = false;
    const int32_t from = std::max(firstOutside, 0);
    for (int32_t i = 0; i < kCirclePoints; ++i) {
      const int32_t k = (from + i) % kCirclePoints;
      const int32_t before = (k + kCirclePoints - 1) % kCirclePoints;
      const int32_t after = (k + 1) % kCirclePoints;
      if (outside[k] || outside[before] || outside[after]) {
        kept.push_back(points[k]);
        lastWasCentre = false;
      } else if (!lastWasCentre) {
        kept.push_back(centre);
        lastWasCentre = true;
      }
    }
    SegmentList ring = RingThrough(kept);
    if (!ring.empty()) return ring;
    if (!(angle < kCircleStep)) return ring;
    angle += kStartAngleTurn;
  }
}

SegmentList EnvelopeRectangle(const Segment& s, int32_t rx, int32_t ry) {
  const double dx = static_cast<double>(s.x2) - s.x1;
  const double dy = static_cast<double>(s.y2) - s.y1;
  if (dx == 0 && dy == 0) return {};
  // The segment's direction on the ground: a longitude difference is shortened by the cosine of
  // the latitude, so the offsets stand square to the segment and the zone is full width.
  const double c = CosineOfWorldLatitude(static_cast<int32_t>((int64_t{s.y1} + s.y2) / 2));
  double a =
      std::asin(std::fabs(dy) / std::sqrt(dy * dy + (std::fabs(dx) * c) * (std::fabs(dx) * c)));
  if ((dx > 0 && dy < 0) || (dx < 0 && dy > 0)) a = -a;
  const double leftX = std::round(rx * std::cos(a + kHalfPi));
  const double leftY = std::round(ry * std::sin(a + kHalfPi));
  const double rightX = std::round(rx * std::cos(a - kHalfPi));
  const double rightY = std::round(ry * std::sin(a - kHalfPi));
  const WPoint start = Start(s), end = End(s);
  return RingThrough({Offset(start, leftX, leftY), Offset(end, leftX, leftY),
                      Offset(end, rightX, rightY), Offset(start, rightX, rightY)});
}

SegmentList EnvelopeSegmentList(const SegmentList& polyline, double distance, int16_t unit) {
  SegmentList result;
  if (!std::isfinite(distance) || distance <= 0) return result;
  const int32_t ry = LengthToWorldDy(distance, unit);
  auto rxAt = [&](int32_t y) { return LengthToWorldDx(distance, y, unit); };
  auto rectangle = [&](const Segment& s) {
    return EnvelopeRectangle(s, rxAt(static_cast<int32_t>((int64_t{s.y1} + s.y2) / 2)), ry);
  };
  auto append = [&result](const SegmentList& piece) {
    result.insert(result.end(), piece.begin(), piece.end());
  };
  for (size_t i = 0; i < polyline.size(); ++i) {
    const Segment& s = polyline[i];
    const SegmentList own = rectangle(s);
    const SegmentList endCircle = EnvelopeCircle(End(s), rxAt(s.y2), ry, {}, 0.0);
    if (i == 0 || !(Start(s) == End(polyline[i - 1]))) {
      append(EnvelopeCircle(Start(s), rxAt(s.y1), ry, {&own, &endCircle}, 0.0));
    }
    append(own);
    std::vector<const SegmentList*> exclusions{&own};
    SegmentList nextRectangle, nextCircle;
    if (i + 1 < polyline.size() && Start(polyline[i + 1]) == End(s)) {
      const Segment& next = polyline[i + 1];
      nextRectangle = rectangle(next);
      nextCircle = EnvelopeCircle(End(next), rxAt(next.y2), ry, {}, 0.0);
      exclusions.push_back(&nextRectangle);
      exclusions.push_back(&nextCircle);
    }
    append(EnvelopeCircle(End(s), rxAt(s.y2), ry, exclusions, 0.0));
  }
  return result;
}

SegmentList ClosedRingsFromPoints(const std::vector<WPoint>& flaggedPoints) {
  SegmentList rings;
  std::vector<WPoint> piece;
  auto flush = [&]() {
    const SegmentList ring = RingThrough(piece);
    rings.insert(rings.end(), ring.begin(), ring.end());
    piece.clear();
  };
  for (size_t i = 0; i < flaggedPoints.size(); ++i) {
    WPoint p = flaggedPoints[i];
    const bool starts = (static_cast<uint32_t>(p.x) & kPieceBit) != 0;
    p.x = static_cast<int32_t>(static_cast<uint32_t>(p.x) & ~kPieceBit);
    if (starts && i > 0) flush();
    piece.push_back(p);
  }
  flush();
  return rings;
}

SegmentList CircleRing36(const WRect& r) {
  const WPoint c = WRectCentre(r);
  const double halfWidth = (static_cast<double>(r.x2) - r.x1) / 2;
  const double halfHeight = (static_cast<double>(r.y2) - r.y1) / 2;
  std::vector<WPoint> points;
  points.reserve(kCombinationCirclePoints);
  for (int32_t k = 0; k < kCombinationCirclePoints; ++k) {
    const double angle = static_cast<double>(k) / kCombinationCirclePoints * kTwoPi;
    points.push_back({SaturatedCoordinate(std::trunc(c.x + std::cos(angle) * halfWidth)),
                      SaturatedCoordinate(std::trunc(c.y + std::sin(angle) * halfHeight))});
  }
  return RingThrough(points);
}

// ---- Handle forms ---------------------------------------------------------------------------

int32_t SegmentListToHandle(const SegmentList& list, const char* caller, Handle& handle) {
  handle = nullptr;
  const uint64_t bytes = list.size() * sizeof(Segment);
  if (bytes > 0x7FFFFFFFu) return ReportMemory(caller);
  Handle made = MyNewHandle(static_cast<int32_t>(bytes));
  if (made == nullptr) return ReportMemory(caller);
  if (bytes > 0) std::memcpy(*made, list.data(), bytes);
  handle = made;
  return 0;
}

SegmentList SegmentListFromHandle(Handle handle) {
  SegmentList list;
  if (handle == nullptr || *handle == nullptr) return list;
  const auto count = static_cast<size_t>(MyGetHandleSize(handle)) / sizeof(Segment);
  list.resize(count);
  if (count > 0) std::memcpy(list.data(), *handle, count * sizeof(Segment));
  return list;
}

int32_t OrderSegmentChains(Handle segments, int32_t& placed) {
  placed = 0;
  try {
    SegmentList list = SegmentListFromHandle(segments);
    OrderSegmentChains(list);
    if (!list.empty()) std::memcpy(*segments, list.data(), list.size() * sizeof(Segment));
    placed = static_cast<int32_t>(list.size());
    return 0;
  } catch (const std::bad_alloc&) {
    return ReportMemory("OrderSegmentChains()");
  }
}

int32_t NextPolygonPiece(Handle segments, int32_t start, Handle& piece, int32_t& end,
                         int32_t& length, WRect* bounds) {
  piece = nullptr;
  end = start;
  length = 0;
  const SegmentList list = SegmentListFromHandle(segments);
  if (start < 0 || static_cast<size_t>(start) >= list.size()) return kErrGeneral;
  size_t i = static_cast<size_t>(start) + 1;
  const WPoint first = Start(list[static_cast<size_t>(start)]);
  while (i < list.size() && Start(list[i]) == End(list[i - 1]) && !(End(list[i - 1]) == first)) {
    ++i;
  }
  const SegmentList ring(list.begin() + start, list.begin() + static_cast<std::ptrdiff_t>(i));
  const int32_t err = SegmentListToHandle(ring, "NextPolygonPiece()", piece);
  if (err != 0) return err;
  end = static_cast<int32_t>(i);
  length = static_cast<int32_t>(ring.size());
  if (bounds != nullptr) {
    *bounds = kEmptyWRect;
    for (const Segment& s : ring) {
      UnionWRectPoint(*bounds, Start(s));
      UnionWRectPoint(*bounds, End(s));
    }
  }
  return 0;
}

int32_t AppendPolygons(Handle to, Handle from) {
  if (to == nullptr || *to == nullptr) return kErrGeneral;
  const int32_t toSize = MyGetHandleSize(to);
  const int32_t fromSize = from != nullptr && *from != nullptr ? MyGetHandleSize(from) : 0;
  if (fromSize == 0) return 0;
  if (int64_t{toSize} + fromSize > 0x7FFFFFFF) return ReportMemory("AppendPolygons()");
  MySetHandleSize(to, toSize + fromSize);
  if (MyMemError() != 0) {
    ReportError("AppendPolygons()", "MySetHandleSize()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  std::memcpy(*to + toSize, *from, static_cast<size_t>(fromSize));
  return 0;
}

int32_t CombinePolygonPieces(Handle a, Handle b, const KeepSwitches& keep, Handle& result) {
  return HandleResult("CombinePolygonPieces()", result, [&] {
    return CombineSegmentLists(SegmentListFromHandle(a), SegmentListFromHandle(b), keep);
  });
}

int32_t UnionPolygons(Handle a, Handle b, Handle& result, bool& concatenated) {
  concatenated = false;
  return HandleResult("UnionPolygons()", result, [&] {
    return UniteSegmentLists(SegmentListFromHandle(a), SegmentListFromHandle(b), concatenated);
  });
}

int32_t IntersectPolygons(Handle a, Handle b, Handle& result) {
  return CombinePolygonPieces(a, b, kIntersectionSwitches, result);
}

int32_t SubtractPolygons(Handle a, Handle b, Handle& result) {
  return CombinePolygonPieces(a, b, kDifferenceSwitches, result);
}

int32_t IntersectPolygonToRect(const WRect& rect, Handle a, Handle b, int32_t first, int32_t count,
                               Handle& result) {
  result = nullptr;
  const SegmentList whole = SegmentListFromHandle(b);
  if (first < 0 || count < 0 || int64_t{first} + count > static_cast<int64_t>(whole.size())) {
    return kErrGeneral;
  }
  return HandleResult("IntersectPolygonToRect()", result, [&] {
    const SegmentList part(whole.begin() + first, whole.begin() + first + count);
    return CombineSegmentLists(SegmentListFromHandle(a), part, kIntersectionSwitches, &rect);
  });
}

int32_t SegToEnvelopeRectangle(double distance, int16_t unit, const Segment& s, Handle& ring) {
  ring = nullptr;
  if (!std::isfinite(distance) || distance <= 0) return kErrGeneral;
  return HandleResult("SegToEnvelopeRectangle()", ring, [&] {
    return EnvelopeRectangle(
        s, LengthToWorldDx(distance, static_cast<int32_t>((int64_t{s.y1} + s.y2) / 2), unit),
        LengthToWorldDy(distance, unit));
  });
}

int32_t PointToEnvelopePolyCircle(double distance, int16_t unit, WPoint centre,
                                  const std::vector<const SegmentList*>& exclusions,
                                  double startAngle, Handle& ring) {
  ring = nullptr;
  if (!std::isfinite(distance) || distance <= 0) return kErrGeneral;
  return HandleResult("PointToEnvelopePolyCircle()", ring, [&] {
    return EnvelopeCircle(centre, LengthToWorldDx(distance, centre.y, unit),
                          LengthToWorldDy(distance, unit), exclusions, startAngle);
  });
}

int32_t ComputeEnvelope(Handle polyline, double distance, int16_t unit, Handle& result) {
  return HandleResult("ComputeEnvelope()", result, [&] {
    return EnvelopeSegmentList(SegmentListFromHandle(polyline), distance, unit);
  });
}

}  // namespace tlv
