// The walks over maps, overlay files and summary records: they resolve map and overlay IDs
// through the map list and make files current through the open-file table.
#pragma once

#include <cstdint>
#include <functional>

#include "base/memory.h"
#include "base/world_types.h"
#include "store/store_records.h"
#include "store/summary.h"

namespace tlv {

// Finds the record whose position is objectPosition or its complement (deleted records are
// found too). Not found: message 42 and -1. withProgress shows a running count and stops on
// Escape (-1) when the calls follow each other closely.
int32_t FindSummaryRecord(int32_t mapID, int32_t overlayID, int32_t objectPosition,
                          int32_t& byteOffset, SummaryRecord& record, int32_t* mapIndex,
                          int32_t* fileIndex, bool withProgress);

// Calls visit for the records of one overlay file in order. map and overlay are IDs or indexes
// by the rule of AllocateSpaceForFile. With a searchRect, blocks of the ".SM2" index for which
// blockTest answers false are skipped. Visits skip deleted records themselves and must not make
// another summary file current.
int32_t ForEachSummaryRecord(int32_t map, int32_t overlay, const SummaryVisit& visit,
                             int32_t* mapIndex, int32_t* fileIndex,
                             const WRect* searchRect = nullptr, int32_t searchA = 0,
                             int32_t searchB = 0, int32_t searchC = 0,
                             BlockTest blockTest = BlockOverlapsGrownRect);
// The same without skipping, making the summary file current before each record so that the
// visit may use other overlay files.
int32_t ForEachSummaryRecordSafe(int32_t map, int32_t overlay, const SummaryVisit& visit,
                                 int32_t* mapIndex, int32_t* fileIndex);

// Calls visit for each overlay file of the map in list order: with copy clear the fields the
// visit changes are kept in the list (and nothing else of the entry is written over), with copy
// set it works on a copy.
using OverlayFileVisit = std::function<int32_t(OverlayFileRecord& entry)>;
int32_t ForEachFileInMap(int32_t mapID, const OverlayFileVisit& visit, bool copy);

// What the walk over overlays needs of the overlay catalogue: the overlays in list order and
// whether each is shown at the current scale. The catalogue installs it.
struct OverlayCatalogueAccess {
  int32_t (*count)() = nullptr;
  int32_t (*overlayIDAt)(int32_t index) = nullptr;
  // Display mode not hidden and, in range mode, the scale limits enclose the current scale.
  bool (*visibleAt)(int32_t index) = nullptr;
};
void SetOverlayCatalogueAccess(const OverlayCatalogueAccess& access);

constexpr int32_t kWalkForwards = 2;
// For each overlay of the catalogue (forwards when direction is 2, else backwards) and within it
// each map in use (same direction), calls visit for the map's overlay files of that overlay.
// -1 when no overlay catalogue is installed.
int32_t ForEachOverlayFile(const OverlayFileVisit& visit, int32_t direction, bool presentMapsOnly,
                           bool visibleOverlaysOnly, bool copy);

// Calls visit with a copy of each map in use (with foundOnly, only maps whose folder was found).
using MapVisit = std::function<int32_t(const MapRecord& map)>;
int32_t ForEachMap(const MapVisit& visit, bool foundOnly);

// Calls visit for each (map ID, overlay ID, object position) triple of the list.
using ObjectRefVisit =
    std::function<int32_t(int32_t mapID, int32_t overlayID, int32_t objectPosition)>;
int32_t ForEachObjectInList(Handle list, const ObjectRefVisit& visit);

// Builds the ".SM2" file of one overlay file from its summary file, replacing any old one. A
// summary file of fewer than 1000 records gets none (written is then false).
int32_t WriteSM2File(int32_t mapIndex, int32_t fileIndex, bool& written);
// Builds the index of an overlay file of the map chosen by CreateSM2Files, if it has none and
// the map may be changed.
int32_t CreateSM2File(const OverlayFileRecord& entry);
// The command: asks for one map and builds its missing index files.
int32_t CreateSM2Files();

// What CreateSM2Files asks of the selection and the drawing pass; installed by them.
struct SM2CommandHooks {
  void (*clearSelection)() = nullptr;
  void (*redraw)() = nullptr;
};
void SetSM2CommandHooks(const SM2CommandHooks& hooks);

// Keeps the index right after an object's summary record at summaryByteOffset got newRect: the
// block's entry grows to hold it and the file is rewritten; nothing happens when the entry
// already holds it, the block has no entry or there is no index.
int32_t GrowSM2ForMovedObject(int32_t mapIndex, int32_t fileIndex, int32_t summaryByteOffset,
                              const WRect& newRect);

// The cached index entries of an overlay file, loaded from its ".SM2" file when needed.
// entries stays null when there is no index file.
int32_t LoadSM2Cache(int32_t mapIndex, int32_t fileIndex, Handle& entries);
// Releases the cached entries of one overlay file.
void ReleaseSM2Cache(int32_t mapIndex, int32_t fileIndex);

// Counters of the last ForEachSummaryRecord walk, for measuring the index.
struct SummaryWalkStats {
  int32_t recordsRead = 0;
  int32_t blocksSkipped = 0;
};
SummaryWalkStats LastSummaryWalkStats();

// The position of the object an alias stands for, found among the live summary records of the
// alias's overlay file. Not found: message 46 (unless silent) and -1.
int32_t ResolveAlias(int32_t mapID, int32_t overlayID, int32_t aliasPosition,
                     int32_t& objectPosition, bool silent);

void ResetWalksForTesting();

}  // namespace tlv
