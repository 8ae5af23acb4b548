// New areas from existing ones: union, intersection and difference of polygons, envelope zones
// around polylines, and joined chains. Everything works on segment lists in world units without a
// planar-graph library: operands are split where they cross, each piece is kept or dropped by
// whether its midpoint lies inside the other operand, and the kept pieces are re-chained. Results
// are exact integer lists whose order and rounding follow from that rule alone, so a caller can
// store them point by point and get the same object every time.
//
// Two forms: vector functions for callers that hold geometry in memory (the message handlers, the
// tests), and the Handle functions the map commands use. A Handle function that fails has
// reported the failure with its own name and gives back no Handle; nothing it allocated stays.
#pragma once

#include <cstdint>
#include <vector>

#include "base/memory.h"
#include "base/world_types.h"
#include "geometry/segments.h"

namespace tlv {

using SegmentList = std::vector<Segment>;

// Which pieces a combination keeps: A's pieces inside or outside B, B's inside or outside A.
struct KeepSwitches {
  bool aInsideB = false;
  bool aOutsideB = false;
  bool bInsideA = false;
  bool bOutsideA = false;
};
constexpr KeepSwitches kUnionSwitches{false, true, false, true};
constexpr KeepSwitches kIntersectionSwitches{true, false, true, false};
constexpr KeepSwitches kDifferenceSwitches{false, true, true, false};

// The split point of two crossing segments p and q: p1 + t (p2 - p1), t from the normal of q,
// each coordinate rounded by floor(v + 0.5) and held inside both segments' boxes. Only for
// segments that are not parallel.
WPoint SegmentCrossingPoint(const Segment& p, const Segment& q);
// q lies on segment s strictly between its ends (exact integer arithmetic).
bool PointStrictlyInsideSegment(const Segment& s, WPoint q);
// The midpoint with integer halves.
WPoint SegmentMidpoint(const Segment& s);

// Reorders the list so that chains are contiguous and run head to tail: each chain starts at a
// loose start point (else a loose end point, reversed; else the first unplaced segment) and grows
// by the first unplaced segment that shares the last end, reversed when its end is the shared
// point. Segments not used keep their relative order.
void OrderSegmentChains(SegmentList& segments);

// Splits a and b where they cross and keeps the pieces the switches ask for, then orders them.
// With clip, segments of b lying wholly outside it are not looked at for crossings (they can
// cross nothing of a when clip holds all of a); every piece of b is still classified.
SegmentList CombineSegmentLists(const SegmentList& a, const SegmentList& b,
                                const KeepSwitches& keep, const WRect* clip = nullptr);

// A and B simply follow each other (concatenated) when they share an end point and nothing of
// one overlaps the other; otherwise the combination with kUnionSwitches.
SegmentList UniteSegmentLists(const SegmentList& a, const SegmentList& b, bool& concatenated);

// Whether the operands touch only at shared end points (the concatenation test of a union).
bool OperandsOnlyTouch(const SegmentList& a, const SegmentList& b);

// A ring of the kept points of a 32-point ellipse of radii rx, ry (world units) around centre,
// starting at startAngle: points inside an exclusion whose neighbours are inside too collapse
// into one copy of the centre. With fewer than 3 points the start angle is turned by one tenth of
// a step, up to one step, and tried again; usedAngle receives the angle that gave the ring (or
// the last one tried). Empty when no angle leaves a ring.
SegmentList EnvelopeCircle(WPoint centre, int32_t rx, int32_t ry,
                           const std::vector<const SegmentList*>& exclusions, double startAngle,
                           double* usedAngle = nullptr);
// The rectangle around one segment at distance (rx, ry measured at its middle): corners
// start+left, end+left, end+right, start+right. Empty for a segment of no length.
SegmentList EnvelopeRectangle(const Segment& s, int32_t rx, int32_t ry);
// The envelope of one polyline (a rectangle per segment, a circle per vertex and chain start):
// overlapping rings that together cover every point within distance of the line, in the given
// distance unit. Empty for a distance that is not a finite number above 0.
SegmentList EnvelopeSegmentList(const SegmentList& polyline, double distance, int16_t unit);

// A polygon's pieces as closed rings: a piece whose last point differs from its first gets a
// closing segment; pieces of fewer than 3 points are left out. points carry the piece bit.
SegmentList ClosedRingsFromPoints(const std::vector<WPoint>& flaggedPoints);
// The 36-point ring of the ellipse inscribed in r (centre WRectCentre, half sizes as doubles).
SegmentList CircleRing36(const WRect& r);

// ---- Handle forms ---------------------------------------------------------------------------
// Segment counts are taken from the Handle sizes.

// Reorders in place; placed receives the number of segments placed.
int32_t OrderSegmentChains(Handle segments, int32_t& placed);
// The next ring or chain from start: segments until one does not begin where the previous ended
// or the piece closes. end is the index after it.
int32_t NextPolygonPiece(Handle segments, int32_t start, Handle& piece, int32_t& end,
                         int32_t& length, WRect* bounds);
// Appends from to to.
int32_t AppendPolygons(Handle to, Handle from);
int32_t CombinePolygonPieces(Handle a, Handle b, const KeepSwitches& keep, Handle& result);
int32_t UnionPolygons(Handle a, Handle b, Handle& result, bool& concatenated);
int32_t IntersectPolygons(Handle a, Handle b, Handle& result);
// a - b.
int32_t SubtractPolygons(Handle a, Handle b, Handle& result);
// The intersection of a with segments [first, first + count) of b, looking for crossings only
// among b's segments that reach rect.
int32_t IntersectPolygonToRect(const WRect& rect, Handle a, Handle b, int32_t first, int32_t count,
                               Handle& result);
// Envelope pieces in a Handle, for one segment, one point and one polyline.
int32_t SegToEnvelopeRectangle(double distance, int16_t unit, const Segment& s, Handle& ring);
int32_t PointToEnvelopePolyCircle(double distance, int16_t unit, WPoint centre,
                                  const std::vector<const SegmentList*>& exclusions,
                                  double startAngle, Handle& ring);
int32_t ComputeEnvelope(Handle polyline, double distance, int16_t unit, Handle& result);

// Conversions between lists and Handles (reported with the caller's name on failure).
int32_t SegmentListToHandle(const SegmentList& list, const char* caller, Handle& handle);
SegmentList SegmentListFromHandle(Handle handle);

}  // namespace tlv
