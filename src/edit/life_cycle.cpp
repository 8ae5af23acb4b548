// The life cycle's shared state and hooks, the summary lookup its parts use, and batches of new
// objects whose overlay file images are written once at the end.
#include "edit/life_cycle.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/errors.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/layer_files.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/life_cycle_internal.h"
#include "edit/object_access.h"

namespace tlv {

namespace life_cycle_detail {

namespace {

constexpr int kMessageObjectsProcessed = 632;
// Lookups closer together than this (1/60 s ticks) form one run.
constexpr uint32_t kProgressRunTicks = 60;
constexpr int32_t kProgressEvery = 10;

LifeCycleState state;

// Counts one lookup of a run; every tenth tells the count and checks for Escape. -1 on Escape.
int32_t ProgressStep() {
  LookupProgress& p = state.progress;
  p.stopped = false;
  const uint32_t now = Platform().TickCount();
  if (p.runStarted && now - p.lastTicks <= kProgressRunTicks) {
    ++p.runCalls;
  } else {
    p.runCalls = 1;
  }
  p.runStarted = true;
  p.lastTicks = now;
  if (p.runCalls % kProgressEvery != 0) return 0;
  if (Platform().EscapePressed()) {
    p.stopped = true;
    return kErrGeneral;
  }
  Platform().SetTemporaryMessageLine(FormatText("%ld ", static_cast<long>(p.runCalls)) +
                                     MessageText(kMessageObjectsProcessed));
  return 0;
}

}  // namespace

LifeCycleState& State() {
  return state;
}

WRect Shrunk(const WRect& r) {
  return {r.x1 + 1, r.y1 + 1, r.x2 - 1, r.y2 - 1};
}

void RedrawArea(const WRect& area) {
  if (state.hooks.redrawArea) state.hooks.redrawArea(area);
}

void RemoveFromSelections(const ObjectRef& object) {
  if (state.hooks.removeFromSelections) state.hooks.removeFromSelections(object);
}

int32_t WriteImageNow(int32_t mapIndex, int32_t fileIndex) {
  OverlayFileRecord entry;
  if (!GetOverlayFileRecord(mapIndex, fileIndex, entry)) return kErrGeneral;
  return WriteLayerFileImage(entry);
}

int32_t WriteImage(int32_t mapIndex, int32_t fileIndex) {
  if (state.batchDepth > 0) {
    OverlayFileRecord entry;
    if (!GetOverlayFileRecord(mapIndex, fileIndex, entry)) return kErrGeneral;
    state.batchFiles.insert({entry.mapID, entry.overlayID});
    return 0;
  }
  return WriteImageNow(mapIndex, fileIndex);
}

int32_t FindSummary(int32_t mapID, int32_t overlayID, int32_t position, int32_t& byteOffset,
                    SummaryRecord& record, int32_t& mapIndex, int32_t& fileIndex,
                    bool withProgress) {
  // The progress is told here, before the quick ways of finding the record, so that large
  // batches tell it and can be stopped however the record is found.
  if (withProgress && ProgressStep() != 0) return kErrGeneral;
  const SummaryHint& h = state.hint;
  if (h.mapID == mapID && h.overlayID == overlayID && h.position == position && h.byteOffset >= 0) {
    if (AllocateSpaceForFile(mapID, overlayID, kSummaryFileKind, kOneObjectWindow, &mapIndex,
                             &fileIndex) == 0) {
      BufferedFile& file = CurrentSummaryFile();
      SummaryRecord candidate;
      if (h.byteOffset + kSummaryRecordSize <= file.fileLength &&
          SetFPosBuf(file, h.byteOffset) == 0 && FSReadSummaryBuf(file, candidate) == 0 &&
          (candidate.position == position || candidate.position == ~position)) {
        byteOffset = h.byteOffset;
        record = candidate;
        return 0;
      }
    }
  }
  // Records are appended as objects are made, so their positions rise through the file: halving
  // finds a record in a few reads. A file in another order falls back to the full walk.
  if (AllocateSpaceForFile(mapID, overlayID, kSummaryFileKind, kOneObjectWindow, &mapIndex,
                           &fileIndex) == 0) {
    BufferedFile& file = CurrentSummaryFile();
    int32_t lo = 0, hi = file.fileLength / kSummaryRecordSize - 1;
    while (lo <= hi) {
      const int32_t mid = lo + (hi - lo) / 2;
      SummaryRecord candidate;
      if (SetFPosBuf(file, mid * kSummaryRecordSize) != 0 ||
          FSReadSummaryBuf(file, candidate) != 0) {
        break;
      }
      const int32_t at = candidate.position >= 0 ? candidate.position : ~candidate.position;
      if (at == position) {
        byteOffset = mid * kSummaryRecordSize;
        record = candidate;
        return 0;
      }
      if (at < position) {
        lo = mid + 1;
      } else {
        hi = mid - 1;
      }
    }
  }
  return FindSummaryRecord(mapID, overlayID, position, byteOffset, record, &mapIndex, &fileIndex,
                           false);
}

int32_t WriteSummary(int32_t mapID, int32_t overlayID, int32_t byteOffset,
                     const SummaryRecord& record) {
  int32_t mapIndex = -1, fileIndex = -1;
  int32_t err = AllocateSpaceForFile(mapID, overlayID, kSummaryFileKind, kOneObjectWindow,
                                     &mapIndex, &fileIndex);
  if (err == 0) err = FSSetSummaryRecord(CurrentSummaryFile(), byteOffset, record);
  return err;
}

void NameStartOf(const std::string& name, char (&nameStart)[4]) {
  std::memset(nameStart, 0, sizeof nameStart);
  std::memcpy(nameStart, name.data(), std::min<size_t>(4, name.size()));
}

}  // namespace life_cycle_detail

using namespace life_cycle_detail;

void SetLifeCycleHooks(LifeCycleHooks hooks) {
  State().hooks = std::move(hooks);
}
const LifeCycleHooks& CurrentLifeCycleHooks() {
  return State().hooks;
}

bool LookupStoppedByUser() {
  return State().progress.stopped;
}

void BeginObjectBatch() {
  ++State().batchDepth;
}

int32_t EndObjectBatch() {
  if (State().batchDepth == 0) return 0;
  if (--State().batchDepth > 0) return 0;
  int32_t first = 0;
  for (const auto& [mapID, overlayID] : State().batchFiles) {
    const int32_t mapIndex = MapIDToIndex(mapID);
    const int32_t fileIndex = mapIndex < 0 ? -1 : OverlayFileIndexForID(mapIndex, overlayID);
    if (fileIndex < 0) continue;
    const int32_t err = WriteImageNow(mapIndex, fileIndex);
    if (err != 0 && first == 0) first = err;
  }
  State().batchFiles.clear();
  return first;
}

void ResetLifeCycleForTesting() {
  State() = LifeCycleState();
}

}  // namespace tlv
