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
#include "edit/undo.h"

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

// Marks the live record found at byteOffset deleted, with its count, bounds, selection and redraw.
int32_t MarkDeleted(const ObjectRef& object, int32_t byteOffset, SummaryRecord record,
                    int32_t mapIndex, int32_t fileIndex, bool keepCounts, bool redraw,
                    DeletedRecords& done) {
  record.position = ~object.position;
  done.wrote = true;
  int32_t err = WriteSummary(object.mapID, object.overlayID, byteOffset, record);
  if (err != 0) return err;
  done.deleted = true;
  State().lastFound.valid = false;
  RemoveFromSelections(object);
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
  return 0;
}

// Makes the deleted record found at byteOffset live again, with its count, bounds and index.
int32_t MarkLive(const ObjectRef& object, int32_t byteOffset, SummaryRecord record,
                 int32_t mapIndex, int32_t fileIndex, bool select) {
  record.position = object.position;
  int32_t err = WriteSummary(object.mapID, object.overlayID, byteOffset, record);
  if (err != 0) return err;
  State().lastFound.valid = false;
  OverlayFileRecord entry;
  GetOverlayFileRecord(mapIndex, fileIndex, entry);
  ++entry.objectCount;
  if (WRectPlaced(record.worldRect)) UnionWRect(entry.bounds, record.worldRect);
  SetOverlayFileRecord(mapIndex, fileIndex, entry);
  err = WriteImage(mapIndex, fileIndex);
  // The index was made while the record was deleted, so its block may not reach that far.
  if (err == 0) {
    err = GrowIndexFor(object.mapID, object.overlayID, mapIndex, fileIndex, byteOffset,
                       record.worldRect);
  }
  if (err != 0) return err;
  if (WRectPlaced(record.worldRect)) RedrawArea(record.worldRect);
  if (select && State().hooks.addToSelection) State().hooks.addToSelection(object);
  return 0;
}

}  // namespace

namespace life_cycle_detail {

int32_t DeleteOneRecord(const ObjectRef& object, bool keepCounts, bool redraw, bool withProgress,
                        DeletedRecords& done) {
  int32_t byteOffset = -1, mapIndex = -1, fileIndex = -1;
  SummaryRecord record;
  const int32_t err = FindSummary(object.mapID, object.overlayID, object.position, byteOffset,
                                  record, mapIndex, fileIndex, withProgress);
  if (err != 0) return err;
  MapRecord map;
  if (!GetMapRecord(mapIndex, map) || map.locked || !SummaryRecordLive(record)) return 0;
  return MarkDeleted(object, byteOffset, record, mapIndex, fileIndex, keepCounts, redraw, done);
}

int32_t RestoreOneRecord(const ObjectRef& object, bool select, bool withProgress) {
  int32_t byteOffset = -1, mapIndex = -1, fileIndex = -1;
  SummaryRecord record;
  const int32_t err = FindSummary(object.mapID, object.overlayID, object.position, byteOffset,
                                  record, mapIndex, fileIndex, withProgress);
  if (err != 0) return err;
  MapRecord map;
  if (!GetMapRecord(mapIndex, map) || map.locked || SummaryRecordLive(record)) return 0;
  return MarkLive(object, byteOffset, record, mapIndex, fileIndex, select);
}

}  // namespace life_cycle_detail

int32_t DeleteObjectRecord(int32_t mapID, int32_t overlayID, int32_t position, bool withAliases,
                           bool keepCounts, bool redraw, DeletedRecords* done) {
  DeletedRecords local;
  DeletedRecords& result = done != nullptr ? *done : local;
  result = DeletedRecords();
  const ObjectRef object{mapID, overlayID, position};
  int32_t byteOffset = -1, mapIndex = -1, fileIndex = -1;
  SummaryRecord record;
  int32_t err =
      FindSummary(mapID, overlayID, position, byteOffset, record, mapIndex, fileIndex, true);
  if (err != 0) return err;
  MapRecord map;
  // Deleting what is deleted already would count it twice.
  if (!GetMapRecord(mapIndex, map) || map.locked || !SummaryRecordLive(record)) return 0;
  // Only the aliases live now go along: one deleted on its own before stays deleted.
  std::vector<int32_t> aliases;
  if (withAliases) {
    err = ForEachAliasOf(
        mapID, overlayID, position,
        [&aliases](int32_t aliasPosition, const SummaryRecord&, int32_t) {
          aliases.push_back(aliasPosition);
          return 0;
        },
        false);
    if (err != 0) return err;
  }
  err = MarkDeleted(object, byteOffset, record, mapIndex, fileIndex, keepCounts, redraw, result);
  for (size_t i = 0; err == 0 && i < aliases.size(); ++i) {
    DeletedRecords alias;
    err = DeleteOneRecord({mapID, overlayID, aliases[i]}, keepCounts, false, false, alias);
    if (alias.deleted) result.aliases.push_back(aliases[i]);
  }
  return err;
}

int32_t UndeleteObjectRecord(int32_t mapID, int32_t overlayID, int32_t position,
                             const std::vector<int32_t>& aliases) {
  const ObjectRef object{mapID, overlayID, position};
  int32_t byteOffset = -1, mapIndex = -1, fileIndex = -1;
  SummaryRecord record;
  int32_t err =
      FindSummary(mapID, overlayID, position, byteOffset, record, mapIndex, fileIndex, true);
  if (err != 0) return err;
  MapRecord map;
  if (!GetMapRecord(mapIndex, map) || map.locked) return 0;
  if (SummaryRecordLive(record)) {
    DeletedRecords done;
    err = MarkDeleted(object, byteOffset, record, mapIndex, fileIndex, false, true, done);
    for (size_t i = 0; err == 0 && i < aliases.size(); ++i) {
      DeletedRecords alias;
      err = DeleteOneRecord({mapID, overlayID, aliases[i]}, false, false, false, alias);
    }
    return err;
  }
  err = MarkLive(object, byteOffset, record, mapIndex, fileIndex, true);
  for (size_t i = 0; err == 0 && i < aliases.size(); ++i) {
    err = RestoreOneRecord({mapID, overlayID, aliases[i]}, false, false);
  }
  return err;
}

int32_t RestoreObjectRecord(const ObjectRef& object, bool select) {
  return RestoreOneRecord(object, select, false);
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
  bool clearedUndo = false;
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
    // The list may name an object and its alias: the alias went with the object, and deleting it
    // again is passed over as the record is no longer live.
    for (const int32_t position : doomed) {
      if (!clearedUndo) {
        SetUndoNothing();
        clearedUndo = true;
      }
      err = DeleteObjectRecord(map.mapID, overlayID, position, true, false, true);
      if (err != 0) return err;
    }
  }
  return 0;
}

}  // namespace tlv
