// The stored points of a polyline or polygon exactly as its record holds them (new-piece bits,
// attribute masks and values), read and written whole. Undo puts back what an edit of single
// points changed through these, and the vertex commands make their edits through them, so both
// see the same bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "store/object_record.h"

namespace tlv {

// A stored segment as it is in the record: x with the new-piece bit, y, the attribute mask and
// the 15 attribute values (0 where the mask does not store one).
struct StoredSegmentState {
  uint32_t x = 0;
  int32_t y = 0;
  uint16_t mask = 0;
  int32_t values[kSegmentAttributeCount] = {};

  bool NewPiece() const { return (x & kNewPieceBit) != 0; }
  int32_t X() const { return static_cast<int32_t>(x & ~kNewPieceBit); }
  bool operator==(const StoredSegmentState&) const = default;
};

// Bytes the segment takes in the record: 10, and 4 for each attribute its mask stores.
int32_t StoredSize(const StoredSegmentState& segment);

// Every stored segment of the object (the object file becomes current) and the record's segment
// room in bytes; offsets (when given) receives each segment's position-relative offset. A count
// or an attribute mask that runs past the record is refused with kErrBadLength and reported.
int32_t ReadSegments(int32_t mapID, int32_t overlayID, int32_t position,
                     std::vector<StoredSegmentState>& segments, int32_t& room,
                     std::vector<int32_t>* offsets = nullptr);

// Writes the segments back exactly as given (masks included) and their count; the rest of the
// segment room is cleared, so no stale attribute bytes stay behind. The segments before
// firstChanged must be the ones already stored: they are not written again. Segments that do not
// fit the room are refused (kErrBadLength, reported for caller) before anything is written.
int32_t WriteSegments(int32_t mapID, int32_t overlayID, int32_t position,
                      const std::vector<StoredSegmentState>& segments, const char* caller,
                      int32_t firstChanged = 0);

}  // namespace tlv
