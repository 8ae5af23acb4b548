// Summary records and the block spatial index. Every loop over the objects of an overlay file
// walks its summary file (32 bytes per object ever made, in order of making); the ".SM2" index
// holds one rectangle per complete block of 1000 records so that a walk with a search rectangle
// can skip whole blocks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/memory.h"
#include "base/world_types.h"
#include "geometry/wrect.h"
#include "store/buffered_file.h"
#include "store/store_records.h"

namespace tlv {

constexpr int32_t kSM2BlockRecords = 1000;
constexpr int32_t kSM2BlockBytes = kSM2BlockRecords * kSummaryRecordSize;
constexpr int32_t kSM2EntrySize = 16;
constexpr uint32_t kSM2FileKind = FourCharCode(".SM2");

inline bool SummaryRecordLive(const SummaryRecord& record) {
  return record.position >= 0;
}
// The all-zero rectangle marks an object that is not placed yet.
inline bool WRectPlaced(const WRect& rect) {
  return rect.x1 != 0 || rect.y1 != 0 || rect.x2 != 0 || rect.y2 != 0;
}
// True when inner lies within outer.
bool WRectInside(const WRect& inner, const WRect& outer);

// visit(record, index): a non-zero result ends the walk and is returned.
using SummaryVisit = std::function<int32_t(const SummaryRecord& record, int32_t index)>;

// The block test: whether a block whose records all lie in block can hold a match of the search
// (searchRect and the three search parameters). The search engine supplies its own; callers
// without one use BlockOverlapsGrownRect.
using BlockTest = bool (*)(const WRect& block, const WRect& searchRect, int32_t searchA,
                           int32_t searchB, int32_t searchC);
// The block overlaps searchRect grown on every side by searchA world units.
bool BlockOverlapsGrownRect(const WRect& block, const WRect& searchRect, int32_t searchA,
                            int32_t searchB, int32_t searchC);

// Writes one record at byteOffset (a multiple of 32) of the summary file in slot 0.
int32_t FSSetSummaryRecord(BufferedFile& file, int32_t byteOffset, const SummaryRecord& record);

// The running state of an index build.
struct SM2Builder {
  WRect running = kUnionStartRect;
  Handle entries = nullptr;  // WRects in machine order; owned by the builder's user
};
// The visit that builds an index: unites live, placed records and closes a block after every
// 1000th record.
int32_t UpdateSM2Bounds(SM2Builder& builder, const SummaryRecord& record, int32_t index);

}  // namespace tlv
