// The record-file sort that compaction uses: a filter, a sort that splits a file too large for
// its memory budget in halves on disk and merges them back, and the spatial order of summary
// records. Equal records keep their file order, so the same input always gives the same output.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/world_types.h"

namespace tlv {

// Records per in-memory run: the sort holds at most recordSize times this many bytes.
constexpr int32_t kSortRunRecords = 16000;

// < 0, 0 or > 0 as a sorts before, with or after b.
using RecordCompare = std::function<int(const char* a, const char* b)>;
using RecordKeep = std::function<bool(const char* record)>;
// An order key that agrees with compare (a < b exactly when key(a) < key(b)); with one the sort
// computes it once per record instead of twice per comparison.
using RecordKey = uint64_t (*)(const char* record);
// Status text of the sort's steps, and progress in percent. A true answer of progress is the
// user's cancel: the filter, sort or merge stops there with kSortCancelled.
using SortStatus = std::function<void(const std::string& text)>;
using SortProgress = std::function<bool(int32_t percent)>;
constexpr int32_t kSortCancelled = -1;

// The memory budget probe: tries 16,000,000 bytes, halving after each failure, and answers half
// of the first size that could be had (0 when nothing could).
int64_t MemoryAvailable();

// Copies the fixed-size records of source for which keep answers true into target (deleted and
// made anew). creator and type are accepted, not stored. kept receives the number copied.
// Progress is the percentage of records done, after each chunk.
int32_t FilterRecordFile(const std::string& source, const std::string& target, uint32_t creator,
                         uint32_t type, int32_t recordSize, const RecordKeep& keep,
                         const SortProgress& progress, int32_t& kept);

// Sorts count records of source from record first into target (deleted and made anew). Ranges
// larger than the budget are split in halves into "srttempA.D" and "srttempB.D" (D the depth) in
// target's folder and merged back.
int32_t SortRecordFile(const std::string& source, int32_t first, int32_t count, int16_t depth,
                       const std::string& target, uint32_t creator, uint32_t type,
                       int32_t recordSize, const RecordCompare& compare, const SortStatus& status,
                       const SortProgress& progress, RecordKey key = nullptr);

// Merges two sorted files into target: the inputs are renamed "merge1" and "merge2" (in target's
// folder) and deleted afterwards, also after a failure or a cancel. Ties take the first file's
// record. Progress is the percentage of records written, while fewer than 10 or at each
// multiple of 50. -1 (kErrGeneral) when even 10000-byte buffers cannot be had: a caller tells
// that from a cancel by its own progress answer, never by the code.
int32_t MergeRecordFiles(const std::string& first, const std::string& second,
                         const std::string& target, uint32_t creator, uint32_t type,
                         const RecordCompare& compare, int32_t count1, int32_t count2,
                         int32_t recordSize, int64_t budget, const SortStatus& status,
                         const SortProgress& progress, RecordKey key = nullptr);

// The spatial sort key of a rectangle: the quadrant bits of the y and x intervals, interleaved,
// kept to twice the smaller of the two depths.
struct SpatialKey {
  uint32_t key = 0;
  int32_t depth = 0;
};
SpatialKey SpatialSortKey(const WRect& rect);
// Orders 32-byte summary records by their rectangles' keys, then depths.
int CompareSummaryBySpatialKey(const char* a, const char* b);
// The same order as one number: the key in the upper half, the depth in the lower.
uint64_t SummarySpatialOrder(const char* record);

// Tests lower the run size so that small files take the split-and-merge path.
void SetSortRunRecordsForTesting(int32_t records);
void ResetRecordSortForTesting();

}  // namespace tlv
