// Compaction: rewrites an overlay file's object and summary files with the live objects only,
// in spatial order, with a new index. The new set is written beside the old one, synced, and
// put in place only after one small synced commit record says it is complete (see
// store/compaction_files.h), so a failure, a cancel, a kill or a loss of power at any moment
// leaves either the old set or the new one, never a mixture.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "edit/selection.h"

namespace tlv {

enum class CompactResult { kCompacted, kLocked, kLowDisk, kInUse, kFailed, kCancelled };
const char* CompactResultWord(CompactResult result);

// What one overlay file's compaction did.
struct CompactReport {
  std::string mapName;
  std::string overlayName;
  std::string baseName;
  CompactResult result = CompactResult::kFailed;
  int32_t error = 0;  // the code of a failure
  int32_t live = 0;
  int32_t dropped = 0;
  int32_t objBytesBefore = 0, objBytesAfter = 0;
  int32_t sumBytesBefore = 0, sumBytesAfter = 0;
  std::vector<std::string> picturesDeleted;
  int64_t milliseconds = 0;
};

// The progress window: the step texts, and the bar in percent. A true answer of progress is the
// user's cancel, honoured at every update point (the filter's, the merges' of the sort and the
// copy's): the overlay file is left exactly as it was.
struct CompactProgress {
  std::function<void(const std::string& text)> status;
  std::function<bool(int32_t percent)> progress;
};

// Compacts one overlay file (by its place in the map list and the map's overlay-file list);
// returns 0, a failure's code (reported once) or -1 when the user cancelled. A locked map, a
// folder in use elsewhere and a volume without room are not failures: the report says so.
int32_t CompactLayerFile(int32_t mapIndex, int32_t fileIndex, const CompactProgress& progress,
                         CompactReport& report);

// The menu command: asks first when ask is set, compacts every overlay file of every map in use
// (overlays in catalogue order, maps whose folder was found) and shows message 165 once when
// any was skipped for want of room. reports (when given) receives one report per overlay file.
// which, when given, picks the overlay files (tolvane-cli's --map and --overlay).
using OverlayFilePick = std::function<bool(int32_t mapID, int32_t overlayID)>;
int32_t CompactMapFiles(bool ask, const CompactProgress& progress,
                        std::vector<CompactReport>* reports = nullptr,
                        const OverlayFilePick& which = {});

// Holds the lock of every map in use shared, so that another process's compaction leaves them
// alone while this one reads them (the program and tolvane-cli call it after loading).
void HoldLocksOfMapsInUse();

// What compaction asks of the layers above: the search collection follows the objects to their
// new positions (sorted by old position), and the map is drawn again.
struct CompactionHooks {
  std::function<void(int32_t mapID, int32_t overlayID,
                     const std::vector<std::pair<int32_t, int32_t>>& moves)>
      positionsMoved;
  std::function<void()> redraw;
};
void SetCompactionHooks(CompactionHooks hooks);

// Crash tests: the process kills itself (SIGKILL) at numbered point step of the next
// compactions (1 filtered, 2 sorted, 3 half copied, 4 copied and synced, 5 index written and
// folder synced, 6 committed, 7 put in place); 0 lifts it. tolvane-cli reads it from
// TOLVANE_COMPACT_KILL_STEP.
void SetCompactionKillStep(int32_t step);

void ResetCompactionForTesting();

}  // namespace tlv
