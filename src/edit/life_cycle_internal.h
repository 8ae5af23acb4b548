// What the parts of the object life cycle (IDs and creation, copying, deleting and aliases,
// bounds) share: its state, the hooks it calls, the summary lookup that starts where the last
// object was made, and the writing of overlay file images. Only the life cycle includes it.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "base/object_ids.h"
#include "base/world_types.h"
#include "edit/life_cycle.h"
#include "store/summary.h"

namespace tlv::life_cycle_detail {

struct IDState {
  bool haveRun = false;
  uint32_t runNumber = 0;
  uint32_t counter = 0;
};

// Where the summary record of the last object made lies, so that the steps that follow its
// making find it without walking the whole summary file.
struct SummaryHint {
  int32_t mapID = 0;
  int32_t overlayID = 0;
  int32_t position = -1;
  int32_t byteOffset = -1;
};

// A run of record lookups with progress: calls close together count as one run, whose count is
// shown now and then and which the user can stop with Escape.
struct LookupProgress {
  uint32_t lastTicks = 0;
  int32_t runCalls = 0;
  bool runStarted = false;
  bool stopped = false;  // the last step saw Escape
};

struct FoundCache {
  bool valid = false;
  std::string idText;
  int32_t mapID = 0;
  int32_t overlayID = 0;
  ObjectRef object;
};

struct LifeCycleState {
  LifeCycleHooks hooks;
  IDState ids;
  SummaryHint hint;
  FoundCache lastFound;
  LookupProgress progress;
  int32_t batchDepth = 0;
  std::set<std::pair<int32_t, int32_t>> batchFiles;  // (map ID, overlay ID) awaiting their image
};

LifeCycleState& State();

void RedrawArea(const WRect& area);
void RemoveFromSelections(const ObjectRef& object);

// Writes the overlay file image now, or at the end of the running batch.
int32_t WriteImage(int32_t mapIndex, int32_t fileIndex);
int32_t WriteImageNow(int32_t mapIndex, int32_t fileIndex);

// Finds an object's summary record, first where the last object was made, then by halving, then
// by walking the file. withProgress counts the call in the running progress and stops (-1) when
// the user pressed Escape.
int32_t FindSummary(int32_t mapID, int32_t overlayID, int32_t position, int32_t& byteOffset,
                    SummaryRecord& record, int32_t& mapIndex, int32_t& fileIndex,
                    bool withProgress);
int32_t WriteSummary(int32_t mapID, int32_t overlayID, int32_t byteOffset,
                     const SummaryRecord& record);

// The first four characters of the name, zero-padded, as the summary record keeps them.
void NameStartOf(const std::string& name, char (&nameStart)[4]);

// The rectangle less one unit on each side: an object inside it never touches the bounds.
WRect Shrunk(const WRect& r);

// Unites rect into the overlay file's bounds; stores and writes them when they grew.
int32_t GrowBounds(int32_t mapIndex, int32_t fileIndex, const WRect& rect);

// Keeps the block index right after the summary record at byteOffset got rect: its block's
// entry grows to hold it. A record of the last, open block has no entry to grow.
int32_t GrowIndexFor(int32_t mapID, int32_t overlayID, int32_t mapIndex, int32_t fileIndex,
                     int32_t byteOffset, const WRect& rect);

// One record made deleted or live again, without its aliases; a record already in that state
// (or on a locked map) is left as it is. Counts, bounds, index, image and selection follow.
int32_t DeleteOneRecord(const ObjectRef& object, bool keepCounts, bool redraw, bool withProgress,
                        DeletedRecords& done);
int32_t RestoreOneRecord(const ObjectRef& object, bool select, bool withProgress);

}  // namespace tlv::life_cycle_detail
