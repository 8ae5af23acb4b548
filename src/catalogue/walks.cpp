#include "catalogue/walks.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/errors.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "store/directory_table.h"
#include "store/file_contents.h"
#include "store/object_record.h"

namespace tlv {

namespace {

constexpr int kMessageSummaryNotFound = 42;
constexpr int kMessageObjectsProcessed = 632;
constexpr int kMessageAliasOriginalMissing = 46;
// Calls of FindSummaryRecord closer together than this (1/60 s ticks) form one run.
constexpr uint32_t kProgressRunTicks = 60;
constexpr int32_t kProgressEvery = 10;
constexpr int32_t kLayerNameSize = 32;
constexpr uint32_t kCreatorCode = FourCharCode("TLV1");
// Below this much free memory the index command gives back the memory of the file windows.
constexpr int32_t kFreeMemoryForWindows = 100000;

struct SummaryState {
  uint32_t lastFindTicks = 0;
  int32_t findRunCalls = 0;
  bool findRunStarted = false;
  int32_t chosenMapID = 0;  // the map of the running CreateSM2Files command
  OverlayCatalogueAccess catalogue;
  SM2CommandHooks hooks;
  SummaryWalkStats lastWalk;
};

SummaryState state;

std::string BaseNameOf(const OverlayFileRecord& entry) {
  return std::string(entry.baseName, strnlen(entry.baseName, sizeof entry.baseName));
}

std::string SM2NameOf(const OverlayFileRecord& entry) {
  return BaseNameOf(entry) + ".SM2";
}

// Whether (volume, folder, name) exists, also under the name with ";1" appended.
bool FileNamedExists(const OverlayFileRecord& entry, const std::string& name) {
  std::string path;
  if (MakeFullPath(entry.volume, entry.dirID, name, path) != 0) return false;
  std::string resolved;
  return ResolvePath(path, resolved) == 0 || ResolvePath(path + ";1", resolved) == 0;
}

HandleArray<OverlayFileRecord> OverlayFilesOf(int32_t mapIndex) {
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) return HandleArray<OverlayFileRecord>();
  return HandleArray<OverlayFileRecord>(map.overlayFiles);
}

template <typename T>
void KeepIfChanged(const T& before, const T& after, T& now) {
  if (std::memcmp(&before, &after, sizeof(T)) != 0) std::memcpy(&now, &after, sizeof(T));
}

// After a visit on a copy of an overlay file entry: the fields the visit changed in its copy go
// into the entry as the list holds it now, and the fields it left alone keep what the list
// holds, which what the visit called may have changed meanwhile (an index cache loaded or
// released). Writing the whole copy back would undo those changes and bring back a released
// Handle. The entry is found by its overlay, since the visit may have changed the list.
void KeepVisitChanges(int32_t mapIndex, int32_t at, const OverlayFileRecord& before,
                      const OverlayFileRecord& after) {
  HandleArray<OverlayFileRecord> files = OverlayFilesOf(mapIndex);
  if (at >= files.Count() || files.Get(at).overlayID != before.overlayID) {
    at = -1;
    for (int32_t i = 0; i < files.Count() && at < 0; ++i) {
      if (files.Get(i).overlayID == before.overlayID) at = i;
    }
    if (at < 0) return;
  }
  OverlayFileRecord now = files.Get(at);
  KeepIfChanged(before.bounds, after.bounds, now.bounds);
  KeepIfChanged(before.mapID, after.mapID, now.mapID);
  KeepIfChanged(before.overlayID, after.overlayID, now.overlayID);
  KeepIfChanged(before.volume, after.volume, now.volume);
  KeepIfChanged(before.dirID, after.dirID, now.dirID);
  KeepIfChanged(before.baseName, after.baseName, now.baseName);
  KeepIfChanged(before.objectCount, after.objectCount, now.objectCount);
  KeepIfChanged(before.working, after.working, now.working);
  KeepIfChanged(before.workingMinusOne, after.workingMinusOne, now.workingMinusOne);
  KeepIfChanged(before.drawnArea, after.drawnArea, now.drawnArea);
  KeepIfChanged(before.lastWorking, after.lastWorking, now.lastWorking);
  KeepIfChanged(before.sm2Cache, after.sm2Cache, now.sm2Cache);
  files.Set(at, now);
}

void SetCache(int32_t mapIndex, int32_t fileIndex, Handle cache) {
  HandleArray<OverlayFileRecord> files = OverlayFilesOf(mapIndex);
  if (fileIndex < 0 || fileIndex >= files.Count()) return;
  OverlayFileRecord entry = files.Get(fileIndex);
  entry.sm2Cache = cache;
  files.Set(fileIndex, entry);
}

// Reads an index file whole. entries stays null (and the result is 0) when there is none.
int32_t ReadSM2File(const OverlayFileRecord& entry, const char* caller, ScopedHandle& bytes,
                    int32_t& length) {
  bytes.reset();
  length = 0;
  const std::string name = SM2NameOf(entry);
  if (!FileNamedExists(entry, name)) return 0;
  Handle read = nullptr;
  const int32_t err =
      ReadFileContents(entry.volume, entry.dirID, name.c_str(), nullptr, length, &read, false);
  if (err != 0) {
    ReportFileContentsError(caller, err, entry.volume, entry.dirID, name.c_str());
    return err;
  }
  bytes.reset(read);
  return 0;
}

int32_t LoadCacheFor(int32_t mapIndex, int32_t fileIndex, Handle& entries, const char* caller) {
  entries = nullptr;
  OverlayFileRecord entry;
  if (!GetOverlayFileRecord(mapIndex, fileIndex, entry)) return kErrGeneral;
  if (entry.sm2Cache != nullptr) {
    entries = entry.sm2Cache;
    return 0;
  }
  ScopedHandle bytes;
  int32_t length = 0;
  int32_t err = ReadSM2File(entry, caller, bytes, length);
  if (err != 0 || !bytes) return err;
  const int32_t count = length / kSM2EntrySize;
  Handle cache = MyNewHandle(count * static_cast<int32_t>(sizeof(WRect)));
  if (cache == nullptr) {
    ReportError(caller, "MyNewHandle()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  for (int32_t k = 0; k < count; ++k) {
    WRect rect;
    buffered_detail::DecodeRect(*bytes.get() + static_cast<size_t>(k) * kSM2EntrySize, rect);
    std::memcpy(*cache + static_cast<size_t>(k) * sizeof(WRect), &rect, sizeof rect);
  }
  SetCache(mapIndex, fileIndex, cache);
  entries = cache;
  return 0;
}

int32_t WriteIndexEntries(const OverlayFileRecord& entry, const std::vector<WRect>& rects) {
  std::vector<char> bytes(rects.size() * kSM2EntrySize);
  for (size_t k = 0; k < rects.size(); ++k) {
    buffered_detail::EncodeRect(bytes.data() + k * kSM2EntrySize, rects[k]);
  }
  const std::string name = SM2NameOf(entry);
  return WriteFileContents(entry.volume, entry.dirID, name.c_str(), kCreatorCode, kSM2FileKind,
                           static_cast<int32_t>(bytes.size()), bytes.data());
}

// The overlay's name as its ".LYR" header holds it; the base name when that cannot be read.
std::string OverlayNameOf(const OverlayFileRecord& entry) {
  char bytes[kLayerNameSize] = {};
  const std::string name = BaseNameOf(entry) + ".LYR";
  if (ReadFilePart(entry.volume, entry.dirID, name.c_str(), 0, kLayerNameSize, bytes, nullptr) !=
      0) {
    return BaseNameOf(entry);
  }
  return std::string(bytes, strnlen(bytes, sizeof bytes));
}

}  // namespace

int32_t FindSummaryRecord(int32_t mapID, int32_t overlayID, int32_t objectPosition,
                          int32_t& byteOffset, SummaryRecord& record, int32_t* mapIndex,
                          int32_t* fileIndex, bool withProgress) {
  if (withProgress) {
    const uint32_t now = Platform().TickCount();
    if (state.findRunStarted && now - state.lastFindTicks <= kProgressRunTicks) {
      ++state.findRunCalls;
    } else {
      state.findRunCalls = 1;
    }
    state.findRunStarted = true;
    state.lastFindTicks = now;
    if (state.findRunCalls % kProgressEvery == 0) {
      if (Platform().EscapePressed()) return kErrGeneral;
      Platform().SetTemporaryMessageLine(FormatText("%ld ", static_cast<long>(state.findRunCalls)) +
                                         MessageText(kMessageObjectsProcessed));
    }
  }
  int32_t mIndex = -1;
  int32_t fIndex = -1;
  int32_t foundAt = -1;
  const int32_t complement = ~objectPosition;
  const int32_t err = ForEachSummaryRecord(
      mapID, overlayID,
      [&](const SummaryRecord& r, int32_t index) -> int32_t {
        if (r.position == objectPosition || r.position == complement) {
          record = r;
          foundAt = index;
          return 1;
        }
        return 0;
      },
      &mIndex, &fIndex);
  if (mapIndex != nullptr) *mapIndex = mIndex;
  if (fileIndex != nullptr) *fileIndex = fIndex;
  if (foundAt >= 0) {
    byteOffset = foundAt * kSummaryRecordSize;
    return 0;
  }
  if (err != 0) return err;
  ShowMessageAlert(kMessageSummaryNotFound, kStopAlert);
  return kErrGeneral;
}

int32_t ForEachSummaryRecord(int32_t map, int32_t overlay, const SummaryVisit& visit,
                             int32_t* mapIndex, int32_t* fileIndex, const WRect* searchRect,
                             int32_t searchA, int32_t searchB, int32_t searchC,
                             BlockTest blockTest) {
  const char* const caller = "ForEachSummaryRecord()";
  state.lastWalk = SummaryWalkStats();
  int32_t mIndex = map;
  int32_t fIndex = overlay;
  // AllocateSpaceForFile reports its own failures.
  int32_t err = AllocateSpaceForFile(map, overlay, kSummaryFileKind, 0, mapIndex, fileIndex);
  if (err != 0) return err;
  if (mapIndex != nullptr) mIndex = *mapIndex;
  if (fileIndex != nullptr) fIndex = *fileIndex;
  BufferedFile& file = CurrentSummaryFile();
  // Trailing bytes short of a whole record are not a record.
  const int32_t count = file.fileLength / kSummaryRecordSize;

  std::vector<WRect> blocks;
  if (searchRect != nullptr && blockTest != nullptr) {
    Handle entries = nullptr;
    err = LoadCacheFor(mIndex, fIndex, entries, caller);
    if (err != 0) return err;
    if (entries != nullptr) {
      // Only complete blocks are covered, however many entries the file holds.
      const int32_t usable = std::min(
          MyGetHandleSize(entries) / static_cast<int32_t>(sizeof(WRect)), count / kSM2BlockRecords);
      blocks.resize(static_cast<size_t>(std::max(usable, 0)));
      if (!blocks.empty()) std::memcpy(blocks.data(), *entries, blocks.size() * sizeof(WRect));
    }
  }

  err = SetFPosBuf(file, 0);
  if (err != 0) {
    ReportError(caller, "SetFPosBuf()", err);
    return err;
  }
  const int32_t blockCount = static_cast<int32_t>(blocks.size());
  SummaryRecord record;
  for (int32_t i = 0; i < count;) {
    if (i % kSM2BlockRecords == 0 && i / kSM2BlockRecords < blockCount &&
        !blockTest(blocks[static_cast<size_t>(i / kSM2BlockRecords)], *searchRect, searchA, searchB,
                   searchC)) {
      i += kSM2BlockRecords;
      ++state.lastWalk.blocksSkipped;
      err = SetFPosBuf(file, i * kSummaryRecordSize);
      if (err != 0) {
        ReportError(caller, "SetFPosBuf()", err);
        return err;
      }
      continue;
    }
    err = FSReadSummaryBuf(file, record);
    if (err != 0) {
      ReportError(caller, "FSReadBuf()", err);
      return err;
    }
    ++state.lastWalk.recordsRead;
    const int32_t result = visit(record, i);
    if (result != 0) return result;
    ++i;
  }
  return 0;
}

int32_t ForEachSummaryRecordSafe(int32_t map, int32_t overlay, const SummaryVisit& visit,
                                 int32_t* mapIndex, int32_t* fileIndex) {
  const char* const caller = "ForEachSummaryRecordSafe()";
  int32_t mIndex = map;
  int32_t fIndex = overlay;
  int32_t err = AllocateSpaceForFile(map, overlay, kSummaryFileKind, 0, mapIndex, fileIndex);
  if (err != 0) return err;
  if (mapIndex != nullptr) mIndex = *mapIndex;
  if (fileIndex != nullptr) fIndex = *fileIndex;
  MapRecord mapRecord;
  OverlayFileRecord entry;
  if (!GetMapRecord(mIndex, mapRecord) || !GetOverlayFileRecord(mIndex, fIndex, entry)) {
    return kErrGeneral;
  }
  // Visits may change the lists, so the file is found again by its IDs; and records they append
  // are not walked, so that a visit that copies objects within the overlay file ends.
  const int32_t mapID = mapRecord.mapID;
  const int32_t overlayID = entry.overlayID;
  const int32_t count = CurrentSummaryFile().fileLength / kSummaryRecordSize;
  for (int32_t i = 0; i < count; ++i) {
    int32_t ignoredMap = 0;
    int32_t ignoredFile = 0;
    err = AllocateSpaceForFile(mapID, overlayID, kSummaryFileKind, 0, &ignoredMap, &ignoredFile);
    if (err != 0) return err;
    BufferedFile& file = CurrentSummaryFile();
    err = SetFPosBuf(file, i * kSummaryRecordSize);
    if (err != 0) {
      ReportError(caller, "SetFPosBuf()", err);
      return err;
    }
    SummaryRecord record;
    err = FSReadSummaryBuf(file, record);
    if (err != 0) {
      ReportError(caller, "FSReadBuf()", err);
      return err;
    }
    const int32_t result = visit(record, i);
    if (result != 0) return result;
  }
  return 0;
}

int32_t ForEachFileInMap(int32_t mapID, const OverlayFileVisit& visit, bool copy) {
  const int32_t mapIndex = MapIDToIndex(mapID);
  if (mapIndex < 0) {
    ReportError("ForEachFileInMap()", "MapIDToIndex()", kErrGeneral);
    return kErrGeneral;
  }
  const int32_t count = OverlayFilesOf(mapIndex).Count();
  for (int32_t i = 0; i < count; ++i) {
    HandleArray<OverlayFileRecord> files = OverlayFilesOf(mapIndex);
    if (i >= files.Count()) break;
    const OverlayFileRecord before = files.Get(i);
    OverlayFileRecord entry = before;
    const int32_t result = visit(entry);
    if (!copy) KeepVisitChanges(mapIndex, i, before, entry);
    if (result != 0) return result;
  }
  return 0;
}

void SetOverlayCatalogueAccess(const OverlayCatalogueAccess& access) {
  state.catalogue = access;
}

int32_t ForEachOverlayFile(const OverlayFileVisit& visit, int32_t direction, bool presentMapsOnly,
                           bool visibleOverlaysOnly, bool copy) {
  const OverlayCatalogueAccess& catalogue = state.catalogue;
  if (catalogue.count == nullptr || catalogue.overlayIDAt == nullptr) return kErrGeneral;
  const bool forwards = direction == kWalkForwards;
  const int32_t overlayCount = catalogue.count();
  for (int32_t n = 0; n < overlayCount; ++n) {
    const int32_t o = forwards ? n : overlayCount - 1 - n;
    if (visibleOverlaysOnly && catalogue.visibleAt != nullptr && !catalogue.visibleAt(o)) continue;
    const int32_t overlayID = catalogue.overlayIDAt(o);
    const int32_t mapCount = MapCount();
    for (int32_t k = 0; k < mapCount; ++k) {
      const int32_t m = forwards ? k : mapCount - 1 - k;
      MapRecord map;
      if (!GetMapRecord(m, map) || !map.inUse) continue;
      if (presentMapsOnly && map.mapID == 0) continue;
      const int32_t fileCount = OverlayFilesOf(m).Count();
      for (int32_t f = 0; f < fileCount; ++f) {
        HandleArray<OverlayFileRecord> files = OverlayFilesOf(m);
        if (f >= files.Count()) break;
        const OverlayFileRecord before = files.Get(f);
        if (before.overlayID != overlayID) continue;
        OverlayFileRecord entry = before;
        const int32_t result = visit(entry);
        if (!copy) KeepVisitChanges(m, f, before, entry);
        if (result != 0) return result;
      }
    }
  }
  return 0;
}

int32_t ForEachMap(const MapVisit& visit, bool foundOnly) {
  const int32_t count = MapCount();
  for (int32_t i = 0; i < count; ++i) {
    MapRecord map;
    if (!GetMapRecord(i, map)) break;
    if (!map.inUse) continue;
    // A map ID of 0 marks a remembered map whose folder was not found.
    if (foundOnly && map.mapID == 0) continue;
    const int32_t result = visit(map);
    if (result != 0) return result;
  }
  return 0;
}

int32_t ForEachObjectInList(Handle list, const ObjectRefVisit& visit) {
  constexpr int32_t kEntrySize = 12;
  if (list == nullptr || *list == nullptr) return 0;
  const int32_t count = MyGetHandleSize(list) / kEntrySize;
  for (int32_t i = 0; i < count; ++i) {
    // The visit may change the list; entries that are gone are not visited.
    if ((i + 1) * kEntrySize > MyGetHandleSize(list)) break;
    int32_t triple[3];
    std::memcpy(triple, *list + static_cast<size_t>(i) * kEntrySize, sizeof triple);
    const int32_t result = visit(triple[0], triple[1], triple[2]);
    if (result != 0) return result;
  }
  return 0;
}

int32_t WriteSM2File(int32_t mapIndex, int32_t fileIndex, bool& written) {
  written = false;
  OverlayFileRecord entry;
  if (!GetOverlayFileRecord(mapIndex, fileIndex, entry)) return kErrGeneral;
  ReleaseSM2Cache(mapIndex, fileIndex);
  const std::string name = SM2NameOf(entry);
  std::string path;
  if (MakeFullPath(entry.volume, entry.dirID, name, path) == 0) {
    std::string resolved;
    if (ResolvePath(path, resolved) == 0) DeleteFile(resolved);
    if (ResolvePath(path + ";1", resolved) == 0) DeleteFile(resolved);
  }
  SM2Builder builder;
  const int32_t err = ForEachSummaryRecord(
      mapIndex, fileIndex,
      [&](const SummaryRecord& record, int32_t index) -> int32_t {
        return UpdateSM2Bounds(builder, record, index);
      },
      nullptr, nullptr);
  const ScopedHandle owner(builder.entries);
  if (err != 0) return err;
  const HandleArray<WRect> entries(builder.entries);
  if (entries.Count() == 0) return 0;
  std::vector<WRect> rects(static_cast<size_t>(entries.Count()));
  for (int32_t k = 0; k < entries.Count(); ++k) rects[static_cast<size_t>(k)] = entries.Get(k);
  // A failed write is left to the caller to report: the command turns a full disk into its own
  // caution alert.
  const int32_t writeErr = WriteIndexEntries(entry, rects);
  if (writeErr == 0) written = true;
  return writeErr;
}

int32_t CreateSM2File(const OverlayFileRecord& entry) {
  if (entry.mapID != state.chosenMapID) return 0;
  const int32_t mapIndex = MapIDToIndex(entry.mapID);
  MapRecord map;
  if (!GetMapRecord(mapIndex, map) || map.locked) return 0;
  const int32_t fileIndex = OverlayFileIndexForID(mapIndex, entry.overlayID);
  if (fileIndex < 0) return 0;
  if (FileNamedExists(entry, SM2NameOf(entry))) return 0;
  const std::string mapName(map.name, strnlen(map.name, sizeof map.name));
  Platform().SetMessageLine(FormatText("Creating .SM2 file for layer \"%s\" (map \"%s\").",
                                       OverlayNameOf(entry).c_str(), mapName.c_str()));
  bool written = false;
  return WriteSM2File(mapIndex, fileIndex, written);
}

void SetSM2CommandHooks(const SM2CommandHooks& hooks) {
  state.hooks = hooks;
}

int32_t CreateSM2Files() {
  std::vector<int32_t> mapIDs;
  Question question;
  question.title = "Add .SM2 Files to Map";
  question.text = "Choose the map whose overlays get .SM2 index files.";
  ForEachMap(
      [&](const MapRecord& map) -> int32_t {
        mapIDs.push_back(map.mapID);
        question.buttons.emplace_back(map.name, strnlen(map.name, sizeof map.name));
        return 0;
      },
      true);
  if (mapIDs.empty()) return 0;
  question.buttons.emplace_back("Cancel");
  question.cancelButton = static_cast<int>(mapIDs.size());
  const int answer = Platform().Ask(question);
  if (answer < 0 || answer >= static_cast<int>(mapIDs.size())) return 0;

  Platform().SetWaitCursor(true);
  if (state.hooks.clearSelection != nullptr) state.hooks.clearSelection();
  state.chosenMapID = mapIDs[static_cast<size_t>(answer)];
  bool diskFull = false;
  bool failed = false;
  ForEachFileInMap(
      state.chosenMapID,
      [&](OverlayFileRecord& entry) -> int32_t {
        const int32_t err = CreateSM2File(entry);
        if (err == kErrDiskFull) {
          diskFull = true;
        } else if (err != 0) {
          failed = true;
        }
        return 0;
      },
      true);
  state.chosenMapID = 0;
  Platform().SetMessageLine("");
  // The walks took big windows; when memory is short, every window gives it back.
  if (!FreeMemoryAtLeast(kFreeMemoryForWindows)) ShrinkBufferedFiles(0);
  if (state.hooks.redraw != nullptr) state.hooks.redraw();
  Platform().SetWaitCursor(false);
  if (diskFull) {
    ShowAlert("One or more .SM2 files could not be created due to low disk space.", kCautionAlert);
  } else if (failed) {
    ShowAlert("An error occured.", kCautionAlert);
  }
  return diskFull ? kErrDiskFull : (failed ? kErrGeneral : 0);
}

int32_t GrowSM2ForMovedObject(int32_t mapIndex, int32_t fileIndex, int32_t summaryByteOffset,
                              const WRect& newRect) {
  const char* const caller = "GrowSM2ForMovedObject()";
  // An object taken back to "not placed" never widens a block.
  if (!WRectPlaced(newRect) || summaryByteOffset < 0) return 0;
  OverlayFileRecord entry;
  if (!GetOverlayFileRecord(mapIndex, fileIndex, entry)) return kErrGeneral;
  ScopedHandle bytes;
  int32_t length = 0;
  int32_t err = ReadSM2File(entry, caller, bytes, length);
  if (err != 0 || !bytes) return err;
  const int32_t block = summaryByteOffset / kSM2BlockBytes;
  if (block >= length / kSM2EntrySize) return 0;
  char* at = *bytes.get() + static_cast<size_t>(block) * kSM2EntrySize;
  WRect rect;
  buffered_detail::DecodeRect(at, rect);
  if (WRectInside(newRect, rect)) return 0;
  ReleaseSM2Cache(mapIndex, fileIndex);
  UnionWRect(rect, newRect);
  buffered_detail::EncodeRect(at, rect);
  const std::string name = SM2NameOf(entry);
  err = WriteFileContents(entry.volume, entry.dirID, name.c_str(), kCreatorCode, kSM2FileKind,
                          length, *bytes.get());
  if (err != 0) ReportFileContentsError(caller, err, entry.volume, entry.dirID, name.c_str());
  return err;
}

int32_t LoadSM2Cache(int32_t mapIndex, int32_t fileIndex, Handle& entries) {
  return LoadCacheFor(mapIndex, fileIndex, entries, "LoadSM2Cache()");
}

void ReleaseSM2Cache(int32_t mapIndex, int32_t fileIndex) {
  OverlayFileRecord entry;
  if (!GetOverlayFileRecord(mapIndex, fileIndex, entry) || entry.sm2Cache == nullptr) return;
  MyDisposeHandle(entry.sm2Cache);
  SetCache(mapIndex, fileIndex, nullptr);
}

SummaryWalkStats LastSummaryWalkStats() {
  return state.lastWalk;
}

void ResetWalksForTesting() {
  state = SummaryState();
}

// ---- Aliases ---------------------------------------------------------------------------------

int32_t ResolveAlias(int32_t mapID, int32_t overlayID, int32_t aliasPosition,
                     int32_t& objectPosition, bool silent) {
  int32_t mapIndex = -1;
  int32_t fileIndex = -1;
  int32_t err = AllocateSpaceForFile(mapID, overlayID, kObjectFileKind, kSmallWindowSize, &mapIndex,
                                     &fileIndex);
  if (err != 0) return err;  // reported by AllocateSpaceForFile
  WRect rect;
  err = FSGetObjectWorldRect(CurrentObjectFile(), aliasPosition, rect);
  if (err != 0) return err;
  int32_t found = -1;
  err = ForEachSummaryRecord(
      mapIndex, fileIndex,
      [&](const SummaryRecord& record, int32_t) -> int32_t {
        if (SummaryRecordLive(record) && record.idHigh == rect.x1 && record.idLow == rect.y1) {
          found = record.position;
          return 1;
        }
        return 0;
      },
      nullptr, nullptr);
  if (err != 0 && found < 0) return err;
  if (found < 0) {
    if (!silent) ShowMessageAlert(kMessageAliasOriginalMissing, kStopAlert);
    return kErrGeneral;
  }
  objectPosition = found;
  return 0;
}

}  // namespace tlv
