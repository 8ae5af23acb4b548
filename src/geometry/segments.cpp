#include "geometry/segments.h"

#include <cstring>

#include "base/errors.h"
#include "geometry/coordinates.h"
#include "geometry/wrect.h"

namespace tlv {

namespace {

// Reports a failed allocation with this operation's name and gives back the code to return.
int32_t AllocationFailed(const char* caller, const char* callee) {
  int32_t code = MyMemError();
  if (code == 0) code = kErrMemoryFull;
  ReportError(caller, callee, code);
  return code;
}

// The number of records of the given size that the list really holds, or -1 when the caller's
// count does not fit the Handle.
int32_t UsableCount(Handle list, int32_t count, int32_t recordSize) {
  if (count < 0) return -1;
  if (count == 0) return 0;
  if (list == nullptr || *list == nullptr) return -1;
  if (MyGetHandleSize(list) / recordSize < count) return -1;
  return count;
}

// A Handle of count records of the given size, or null when the size cannot be held.
Handle NewListHandle(int64_t count, int64_t recordSize) {
  const int64_t bytes = count * recordSize;
  if (bytes > 0x7FFFFFFF) return nullptr;
  return MyNewHandle(static_cast<int32_t>(bytes));
}

Segment ReadSegment(Handle list, int32_t i) {
  Segment s;
  std::memcpy(&s, *list + static_cast<size_t>(i) * sizeof(Segment), sizeof(Segment));
  return s;
}

void WriteSegment(Handle list, int32_t i, const Segment& s) {
  std::memcpy(*list + static_cast<size_t>(i) * sizeof(Segment), &s, sizeof(Segment));
}

WPoint ReadWPoint(Handle list, int32_t i) {
  WPoint p;
  std::memcpy(&p, *list + static_cast<size_t>(i) * sizeof(WPoint), sizeof(WPoint));
  p.x &= kCoordinateMask;
  return p;
}

// Walks a segment list as chains and calls emit(point, startsChain) for every point written.
template <typename Emit>
void WalkChains(Handle segments, int32_t count, Emit emit) {
  WPoint chainStart{};
  WPoint last{};
  bool closed = false;
  for (int32_t i = 0; i < count; ++i) {
    Segment s = ReadSegment(segments, i);
    const WPoint start{s.x1 & kCoordinateMask, s.y1};
    const WPoint end{s.x2 & kCoordinateMask, s.y2};
    if (i == 0 || closed || !(start == last)) {
      emit(start, true);
      chainStart = start;
    }
    emit(end, false);
    last = end;
    closed = end == chainStart;
  }
}

}  // namespace

int32_t SegmentsToWPoints(Handle segments, int32_t count, Handle& points, WRect& bounds) {
  points = nullptr;
  bounds = kEmptyWRect;
  count = UsableCount(segments, count, sizeof(Segment));
  if (count < 0) return kErrGeneral;
  Handle out = NewListHandle(count, 2 * sizeof(WPoint));
  if (out == nullptr) return AllocationFailed("SegmentsToWPoints()", "MyNewHandle()");
  int32_t written = 0;
  WalkChains(segments, count, [&](WPoint p, bool startsChain) {
    UnionWRectPoint(bounds, p);
    if (startsChain) p.x = static_cast<int32_t>(static_cast<uint32_t>(p.x) | kChainStartFlag);
    std::memcpy(*out + static_cast<size_t>(written) * sizeof(WPoint), &p, sizeof(WPoint));
    ++written;
  });
  MySetHandleSize(out, written * static_cast<int32_t>(sizeof(WPoint)));
  if (MyMemError() != 0) {
    const int32_t code = AllocationFailed("SegmentsToWPoints()", "MySetHandleSize()");
    MyDisposeHandle(out);
    bounds = kEmptyWRect;
    return code;
  }
  points = out;
  return 0;
}

int32_t WPointsToSegments(Handle points, Handle& segments, int32_t& segmentCount) {
  const int32_t count =
      points != nullptr && *points != nullptr ? MyGetHandleSize(points) / sizeof(WPoint) : 0;
  return WPointsToSegments(points, 0, count, segments, segmentCount);
}

int32_t WPointsToSegments(Handle points, int32_t start, int32_t count, Handle& segments,
                          int32_t& segmentCount) {
  segments = nullptr;
  segmentCount = 0;
  if (start < 0 || count < 0) return kErrGeneral;
  if (count > 0 &&
      (points == nullptr || *points == nullptr ||
       int64_t{start} + count > MyGetHandleSize(points) / static_cast<int32_t>(sizeof(WPoint)))) {
    return kErrGeneral;
  }
  int32_t ringCount = count;
  if (count > 0 && ReadWPoint(points, start) == ReadWPoint(points, start + count - 1)) {
    ringCount = count - 1;
  }
  Handle out = NewListHandle(ringCount, sizeof(Segment));
  if (out == nullptr) return AllocationFailed("WPointsToSegments()", "MyNewHandle()");
  for (int32_t i = 0; i < ringCount; ++i) {
    const WPoint a = ReadWPoint(points, start + i);
    // The last segment of a ring that is not closed in the list goes back to the first point.
    const WPoint b = ReadWPoint(points, i + 1 < count ? start + i + 1 : start);
    WriteSegment(out, i, Segment{a.x, a.y, b.x, b.y});
  }
  segments = out;
  segmentCount = ringCount;
  return 0;
}

int32_t SegmentsToPathPoints(Handle segments, int32_t count, Handle& pathPoints,
                             int32_t& pointCount) {
  pathPoints = nullptr;
  pointCount = 0;
  count = UsableCount(segments, count, sizeof(Segment));
  if (count < 0) return kErrGeneral;
  Handle out = NewListHandle(count, 2 * sizeof(PathPoint));
  if (out == nullptr) return AllocationFailed("SegmentsToPathPoints()", "MyNewHandle()");
  int32_t written = 0;
  WalkChains(segments, count, [&](WPoint p, bool startsChain) {
    const PathPoint pp{startsChain ? 1 : 0, p.x, p.y};
    std::memcpy(*out + static_cast<size_t>(written) * sizeof(PathPoint), &pp, sizeof(PathPoint));
    ++written;
  });
  MySetHandleSize(out, written * static_cast<int32_t>(sizeof(PathPoint)));
  if (MyMemError() != 0) {
    const int32_t code = AllocationFailed("SegmentsToPathPoints()", "MySetHandleSize()");
    MyDisposeHandle(out);
    return code;
  }
  pathPoints = out;
  pointCount = written;
  return 0;
}

int32_t WRectSegments(const WRect& r, int32_t marginWorld, Handle& segments) {
  segments = nullptr;
  const WRect g = OutsetWRect(r, marginWorld, marginWorld);
  Handle out = NewListHandle(4, sizeof(Segment));
  if (out == nullptr) return AllocationFailed("WRectSegments()", "MyNewHandle()");
  WriteSegment(out, 0, Segment{g.x1, g.y1, g.x1, g.y2});
  WriteSegment(out, 1, Segment{g.x1, g.y2, g.x2, g.y2});
  WriteSegment(out, 2, Segment{g.x2, g.y2, g.x2, g.y1});
  WriteSegment(out, 3, Segment{g.x2, g.y1, g.x1, g.y1});
  segments = out;
  return 0;
}

int32_t DeleteSegment(Handle segments, int32_t& count, int32_t index) {
  if (UsableCount(segments, count, sizeof(Segment)) <= 0 || index < 0 || index >= count) {
    return kErrGeneral;
  }
  char* base = *segments;
  std::memmove(base + static_cast<size_t>(index) * sizeof(Segment),
               base + (static_cast<size_t>(index) + 1) * sizeof(Segment),
               static_cast<size_t>(count - index - 1) * sizeof(Segment));
  MySetHandleSize(segments, (count - 1) * static_cast<int32_t>(sizeof(Segment)));
  if (MyMemError() != 0) {
    AllocationFailed("DeleteSegment()", "MySetHandleSize()");
    return kErrGeneral;
  }
  --count;
  return 0;
}

int32_t AddSegment(Handle segments, int32_t& count, int32_t index, WPoint p) {
  if (UsableCount(segments, count, sizeof(Segment)) <= 0 || index < 0 || index >= count) {
    return kErrGeneral;
  }
  Segment s = ReadSegment(segments, index);
  if ((p.x == s.x1 && p.y == s.y1) || (p.x == s.x2 && p.y == s.y2)) return 0;
  MySetHandleSize(segments, (count + 1) * static_cast<int32_t>(sizeof(Segment)));
  if (MyMemError() != 0) {
    AllocationFailed("AddSegment()", "MySetHandleSize()");
    return kErrGeneral;
  }
  char* base = *segments;
  std::memmove(base + (static_cast<size_t>(index) + 2) * sizeof(Segment),
               base + (static_cast<size_t>(index) + 1) * sizeof(Segment),
               static_cast<size_t>(count - index - 1) * sizeof(Segment));
  const Segment tail{p.x, p.y, s.x2, s.y2};
  s.x2 = p.x;
  s.y2 = p.y;
  WriteSegment(segments, index, s);
  WriteSegment(segments, index + 1, tail);
  ++count;
  return 0;
}

int32_t AddSegment(Handle segments, int32_t& count, const Segment& segment) {
  if (UsableCount(segments, count, sizeof(Segment)) < 0 || segments == nullptr ||
      *segments == nullptr) {
    return kErrGeneral;
  }
  MySetHandleSize(segments, (count + 1) * static_cast<int32_t>(sizeof(Segment)));
  if (MyMemError() != 0) {
    AllocationFailed("AddSegment()", "MySetHandleSize()");
    return kErrGeneral;
  }
  WriteSegment(segments, count, segment);
  ++count;
  return 0;
}

bool SegmentsJoined(const Segment& a, const Segment& b) {
  const WPoint ends[2] = {{a.x1, a.y1}, {a.x2, a.y2}};
  const WPoint others[2] = {{b.x1, b.y1}, {b.x2, b.y2}};
  for (const WPoint& p : ends) {
    for (const WPoint& q : others) {
      if (p == q) return true;
    }
  }
  return false;
}

bool SegmentListsTouch(Handle a, int32_t countA, Handle b, int32_t countB) {
  countA = UsableCount(a, countA, sizeof(Segment));
  countB = UsableCount(b, countB, sizeof(Segment));
  for (int32_t i = 0; i < countA; ++i) {
    const Segment sa = ReadSegment(a, i);
    for (int32_t j = 0; j < countB; ++j) {
      if (SegmentsJoined(sa, ReadSegment(b, j))) return true;
    }
  }
  return false;
}

}  // namespace tlv
