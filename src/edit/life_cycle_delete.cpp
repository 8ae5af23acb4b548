// The object life cycle, deleting and aliases: marking records deleted and bringing them back,
// the aliases that go with an object, and deleting objects named by a list of IDs.
#include "edit/life_cycle.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/strings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/life_cycle_internal.h"
#include "edit/object_access.h"

namespace tlv {

using namespace life_cycle_detail;

int32_t ForEachAliasOf(int32_t mapID, int32_t overlayID, int32_t position, const AliasVisit& visit,
                       bool includeDeleted) {
  ObjectID id;
  if (position >= 0) {
    int32_t err = UseObjectFile(mapID, overlayID, kOneObjectWindow);
    if (err != 0) return err;
    BufferedFile& file = CurrentObjectFile();
    int16_t type = 0;
    uint8_t aliasCount = 0;
    err = FSGetObjectType(file, position, type);
    if (err == 0 && type != kAliasObject) err = FSGetObjectAliasCount(file, position, aliasCount);
    if (err == 0) err = FSGetObjectID(file, position, id.high, id.low);
    if (err != 0) return err;
    if (type == kAliasObject || aliasCount == 0) return 0;
  }
  // Aliases carry no place of their own: their summary rectangle stays all zero.
  std::vector<std::pair<int32_t, int32_t>> candidates;  // (alias position, byte offset)
  std::vector<SummaryRecord> records;
  int32_t walkMap = -1, walkFile = -1;
  int32_t err = ForEachSummaryRecord(
      mapID, overlayID,
      [&](const SummaryRecord& r, int32_t index) -> int32_t {
        if (!includeDeleted && !SummaryRecordLive(r)) return 0;
        if (WRectPlaced(r.worldRect)) return 0;
        const int32_t at = SummaryRecordLive(r) ? r.position : ~r.position;
        candidates.push_back({at, index * kSummaryRecordSize});
        records.push_back(r);
        return 0;
      },
      &walkMap, &walkFile);
  if (err != 0) return err;
  for (size_t i = 0; i < candidates.size(); ++i) {
    err = UseObjectFile(mapID, overlayID, kOneObjectWindow);
    if (err != 0) return err;
    BufferedFile& file = CurrentObjectFile();
    int16_t type = 0;
    err = FSGetObjectType(file, candidates[i].first, type);
    if (err != 0) return err;
    if (type != kAliasObject) continue;
    if (position >= 0) {
      WRect rect;
      err = FSGetObjectWorldRect(file, candidates[i].first, rect);
      if (err != 0) return err;
      if (rect.x1 != id.high || rect.y1 != id.low) continue;
    }
    err = visit(candidates[i].first, records[i], candidates[i].second);
    if (err != 0) return err;
  }
  return 0;
}

namespace {

// Complements the summary records of an object's aliases (live ones become deleted, deleted ones
// live) and takes each out of the selection lists.
int32_t ToggleAliases(int32_t mapID, int32_t overlayID, int32_t position) {
  std::vector<std::pair<int32_t, SummaryRecord>> toggles;
  int32_t err = ForEachAliasOf(
      mapID, overlayID, position,
      [&toggles](int32_t aliasPosition, const SummaryRecord& record, int32_t byteOffset) {
        (void)aliasPosition;
        SummaryRecord flipped = record;
        flipped.position = ~record.position;
        toggles.push_back({byteOffset, flipped});
        return 0;
      },
      true);
  if (err != 0) return err;
  for (const auto& [byteOffset, record] : toggles) {
    err = WriteSummary(mapID, overlayID, byteOffset, record);
    if (err != 0) return err;
    const int32_t at = SummaryRecordLive(record) ? record.position : ~record.position;
    RemoveFromSelections({mapID, overlayID, at});
  }
  return 0;
}

}  // namespace

int32_t DeleteObjectRecord(int32_t mapID, int32_t overlayID, int32_t position, bool withAliases,
                           bool keepCounts, bool redraw) {
  int32_t byteOffset = -1, mapIndex = -1, fileIndex = -1;
  SummaryRecord record;
  int32_t err =
      FindSummary(mapID, overlayID, position, byteOffset, record, mapIndex, fileIndex, true);
  if (err != 0) return err;
  MapRecord map;
  if (!GetMapRecord(mapIndex, map) || map.locked) return 0;
  record.position = ~position;
  err = WriteSummary(mapID, overlayID, byteOffset, record);
  if (err != 0) return err;
  RemoveFromSelections({mapID, overlayID, position});
  if (!keepCounts) {
    OverlayFileRecord entry;
    GetOverlayFileRecord(mapIndex, fileIndex, entry);
    entry.objectCount = std::max(0, entry.objectCount - 1);
    SetOverlayFileRecord(mapIndex, fileIndex, entry);
    if (WRectPlaced(record.worldRect) && !WRectInside(record.worldRect, Shrunk(entry.bounds))) {
      err = RecomputeOverlayFileBounds(mapIndex, fileIndex);
    } else {
      err = WriteImage(mapIndex, fileIndex);
    }
    if (err != 0) return err;
  }
  if (redraw && WRectPlaced(record.worldRect)) RedrawArea(record.worldRect);
  if (withAliases) err = ToggleAliases(mapID, overlayID, position);
  State().lastFound.valid = false;
  return err;
}

int32_t UndeleteObjectRecord(int32_t mapID, int32_t overlayID, int32_t position, bool withAliases) {
  int32_t byteOffset = -1, mapIndex = -1, fileIndex = -1;
  SummaryRecord record;
  int32_t err =
      FindSummary(mapID, overlayID, position, byteOffset, record, mapIndex, fileIndex, true);
  if (err != 0) return err;
  if (SummaryRecordLive(record)) {
    return DeleteObjectRecord(mapID, overlayID, position, withAliases, false, true);
  }
  MapRecord map;
  if (!GetMapRecord(mapIndex, map) || map.locked) return 0;
  record.position = position;
  err = WriteSummary(mapID, overlayID, byteOffset, record);
  if (err != 0) return err;
  OverlayFileRecord entry;
  GetOverlayFileRecord(mapIndex, fileIndex, entry);
  ++entry.objectCount;
  if (WRectPlaced(record.worldRect)) UnionWRect(entry.bounds, record.worldRect);
  SetOverlayFileRecord(mapIndex, fileIndex, entry);
  err = WriteImage(mapIndex, fileIndex);
  if (err != 0) return err;
  if (WRectPlaced(record.worldRect)) RedrawArea(record.worldRect);
  if (State().hooks.addToSelection) State().hooks.addToSelection({mapID, overlayID, position});
  if (withAliases) err = ToggleAliases(mapID, overlayID, position);
  State().lastFound.valid = false;
  return err;
}

int32_t DeleteObjectsOnLayer(int32_t mapID, int32_t overlayID, const char* idList) {
  if (idList == nullptr) {
    ShowAlert("Programmer error in DeleteObjectsOnLayer.", kStopAlert);
    return kErrGeneral;
  }
  std::set<std::string> ids;
  const std::string list(idList);
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find('\r', start);
    if (end == std::string::npos) end = list.size();
    std::string line = list.substr(start, end - start);
    if (!line.empty() && line.front() == '\n') line.erase(0, 1);
    if (!line.empty()) ids.insert(line);
    start = end + 1;
  }
  if (ids.empty()) return 0;
  for (int32_t m = 0; m < MapCount(); ++m) {
    MapRecord map;
    GetMapRecord(m, map);
    if (mapID != -1 && map.mapID != mapID) continue;
    if (OverlayFileIndexForID(m, overlayID) < 0) continue;
    std::vector<int32_t> doomed;
    int32_t walkMap = -1, walkFile = -1;
    int32_t err = ForEachSummaryRecordSafe(
        map.mapID, overlayID,
        [&](const SummaryRecord& r, int32_t) -> int32_t {
          if (SummaryRecordLive(r) && ids.count(ObjectIDText({r.idHigh, r.idLow})) != 0) {
            doomed.push_back(r.position);
          }
          return 0;
        },
        &walkMap, &walkFile);
    if (err != 0) return err;
    for (const int32_t position : doomed) {
      err = DeleteObjectRecord(map.mapID, overlayID, position, true, false, true);
      if (err != 0) return err;
    }
  }
  return 0;
}

}  // namespace tlv
