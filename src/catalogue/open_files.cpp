#include "catalogue/open_files.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "base/errors.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/map_list.h"
#include "store/compaction_files.h"
#include "store/directory_table.h"

namespace tlv {

namespace {

constexpr int32_t kMinimumFallbackWindow = 1000;

struct OpenSlot {
  BufferedFile file;
  int32_t mapID = -1;
  int32_t overlayID = -1;
};

struct OpenFileArray {
  OpenSlot slots[kOpenFileSlots];
  int32_t victim = 0;
};

struct OpenFileTable {
  OpenFileArray objectFiles;
  OpenFileArray summaryFiles;
  int16_t readOnlyNesting = 0;
  int16_t savedOpenMode = kOpenReadWrite;
};

OpenFileTable table;

OpenFileArray* ArrayFor(uint32_t kind) {
  if (kind == kObjectFileKind) return &table.objectFiles;
  if (kind == kSummaryFileKind) return &table.summaryFiles;
  return nullptr;
}

OpenFileArray& CheckedArrayFor(uint32_t kind) {
  OpenFileArray* array = ArrayFor(kind);
  return array != nullptr ? *array : table.objectFiles;
}

template <typename Visit>
void ForEachSlot(Visit visit) {
  for (OpenFileArray* array : {&table.objectFiles, &table.summaryFiles}) {
    for (int32_t i = 0; i < kOpenFileSlots; ++i) visit(array->slots[i], i);
  }
}

bool SlotInUse(const OpenSlot& slot) {
  return slot.file.IsOpen() || slot.file.buffer != nullptr;
}

// The window size for a request: negative asks for at most -bytesWanted (capped at the file's
// length), 0 for the whole file; never more than 100000 bytes.
int32_t WindowSizeFor(int32_t bytesWanted, int32_t fileLength) {
  int32_t size;
  if (bytesWanted < 0) {
    const int64_t most = -static_cast<int64_t>(bytesWanted);
    size = static_cast<int32_t>(std::min<int64_t>(most, fileLength));
  } else if (bytesWanted == 0) {
    size = fileLength;
  } else {
    size = bytesWanted;
  }
  return size > kMaxWindowSize - 1 ? kMaxWindowSize : size;
}

// Gives slot 0 its window, taking memory from the other slots and then from its own request
// when memory is short.
int32_t ResizeCurrentWindow(BufferedFile& file, int32_t size) {
  int32_t err = FSResizeBuf(file, size);
  if (err == 0) return 0;
  if (err != kErrGeneral) return err;  // a failed write-back, not a lack of memory
  ShrinkBufferedFiles(1);
  err = FSResizeBuf(file, size);
  if (err == 0) return 0;
  ShrinkBufferedFiles(0);
  for (int32_t tried = size; tried > kMinimumFallbackWindow; tried /= 2) {
    err = FSResizeBuf(file, tried);
    if (err == 0) return 0;
  }
  return kErrGeneral;
}

}  // namespace

int32_t AllocateSpaceForFile(int32_t map, int32_t overlay, uint32_t kind, int32_t bytesWanted,
                             int32_t* mapIndex, int32_t* fileIndex) {
  OpenFileArray* array = ArrayFor(kind);
  if (array == nullptr) return kErrGeneral;

  ShrinkBufferedFiles(1);
  ForEachSlot([](OpenSlot& slot, int32_t) {
    if (!slot.file.IsOpen()) slot.mapID = slot.overlayID = -1;
  });

  int32_t mIndex = map;
  if (mapIndex != nullptr) {
    mIndex = MapIDToIndex(map);
    if (mIndex < 0) {
      ReportError("AllocateSpaceForFile()", "MapIDToIndex()", -1);
      return kErrGeneral;
    }
    *mapIndex = mIndex;
  }
  MapRecord mapRecord;
  if (!GetMapRecord(mIndex, mapRecord)) {
    ShowAlert("mIndex out of range in AllocateSpaceForFile", kStopAlert);
    return kErrGeneral;
  }

  int32_t fIndex = overlay;
  if (fileIndex != nullptr) {
    fIndex = OverlayFileIndexForID(mIndex, overlay);
    if (fIndex < 0) {
      ReportError("AllocateSpaceForFile()", "Layer ID not found.", -1);
      return kErrGeneral;
    }
    *fileIndex = fIndex;
  }
  OverlayFileRecord fileRecord;
  if (!GetOverlayFileRecord(mIndex, fIndex, fileRecord)) {
    ShowAlert("fIndex out of range in AllocateSpaceForFile", kStopAlert);
    return kErrGeneral;
  }
  if (AnyOverlayFileRefused()) {
    // A committed compaction whose renames could not be finished: the set on disk is half old
    // and half new until the next load puts it right, so nothing reads it.
    std::string folder;
    if (DirectoryPath(fileRecord.dirID, folder) == 0 &&
        OverlayFileRefused(folder,
                           std::string(fileRecord.baseName,
                                       strnlen(fileRecord.baseName, sizeof fileRecord.baseName)))) {
      ReportError("AllocateSpaceForFile()", "FinishCompaction()", kErrIO);
      return kErrIO;
    }
  }

  const int32_t mapID = mapRecord.mapID;
  const int32_t overlayID = fileRecord.overlayID;
  int32_t chosen = -1;
  for (int32_t i = 0; i < kOpenFileSlots && chosen < 0; ++i) {
    if (array->slots[i].mapID == mapID && array->slots[i].overlayID == overlayID) chosen = i;
  }
  const bool reopen = chosen < 0;
  if (reopen) {
    for (int32_t i = 0; i < kOpenFileSlots && chosen < 0; ++i) {
      if (array->slots[i].mapID == -1 && array->slots[i].overlayID == -1) chosen = i;
    }
  }
  if (chosen < 0) {
    chosen = array->victim;
    array->victim = (array->victim + 1) % kOpenFileSlots;
  }
  if (chosen != 0) std::swap(array->slots[0], array->slots[chosen]);

  OpenSlot& current = array->slots[0];
  if (reopen) {
    if (SlotInUse(current)) {
      // A file whose window cannot be written back keeps its slot and key, so that its edits
      // stay in the table and the next request for it finds them.
      const int32_t err = FSCloseBuf(current.file);
      if (err != 0) {
        ReportError("AllocateSpaceForFile()", "FSCloseBuf()", err);
        return err;
      }
    }
    current.mapID = current.overlayID = -1;
    const std::string name =
        std::string(fileRecord.baseName, strnlen(fileRecord.baseName, sizeof fileRecord.baseName)) +
        (kind == kObjectFileKind ? ".OBJ" : ".SUM");
    const int32_t err =
        FSOpenBuf(fileRecord.volume, fileRecord.dirID, name.c_str(), current.file, 0);
    if (err != 0) {
      std::string fullPath;
      if (MakeFullPath(fileRecord.volume, fileRecord.dirID, name, fullPath) != 0) fullPath = name;
      const std::string mapName(mapRecord.name, strnlen(mapRecord.name, sizeof mapRecord.name));
      ShowAlert(FormatTextV(MessageText(100).c_str(), fullPath.c_str(), mapName.c_str()),
                kStopAlert);
      return err;
    }
  }

  const int32_t err =
      ResizeCurrentWindow(current.file, WindowSizeFor(bytesWanted, current.file.fileLength));
  if (err != 0) {
    if (err == kErrGeneral) {
      ReportError("AllocateSpaceForFile()", "MySetHandleSize()", 0);
    } else {
      ReportError("AllocateSpaceForFile()", "FSResizeBuf()", err);
    }
    return err;
  }
  current.mapID = mapID;
  current.overlayID = overlayID;
  return 0;
}

BufferedFile& CurrentObjectFile() {
  return table.objectFiles.slots[0].file;
}
BufferedFile& CurrentSummaryFile() {
  return table.summaryFiles.slots[0].file;
}

BufferedFile& OpenFileSlot(uint32_t kind, int32_t slot) {
  return CheckedArrayFor(kind).slots[std::clamp(slot, 0, kOpenFileSlots - 1)].file;
}

void OpenFileSlotKey(uint32_t kind, int32_t slot, int32_t& mapID, int32_t& overlayID) {
  const OpenSlot& s = CheckedArrayFor(kind).slots[std::clamp(slot, 0, kOpenFileSlots - 1)];
  mapID = s.mapID;
  overlayID = s.overlayID;
}

int32_t VictimCounter(uint32_t kind) {
  return CheckedArrayFor(kind).victim;
}

int32_t ShrinkBufferedFiles(int32_t first) {
  for (OpenFileArray* array : {&table.objectFiles, &table.summaryFiles}) {
    for (int32_t i = std::max(first, 0); i < kOpenFileSlots; ++i) {
      BufferedFile& file = array->slots[i].file;
      if (!file.IsOpen() || file.bufferSize <= kSmallWindowSize) continue;
      const int32_t err = FSResizeBuf(file, kSmallWindowSize);
      if (err != 0) {
        ReportError("ShrinkBufferedFiles()", "FSResizeBuf()", err);
        return err;
      }
    }
  }
  return 0;
}

void CloseBufferedFiles() {
  ForEachSlot([](OpenSlot& slot, int32_t) {
    if (SlotInUse(slot)) {
      const int32_t err = FSCloseBuf(slot.file);
      if (err != 0) {
        ReportError("CloseBufferedFiles()", "FSCloseBuf()", err);
        // Still open with its unwritten window (a failed sync closes): keep it findable.
        if (slot.file.IsOpen()) return;
      }
    }
    slot.mapID = slot.overlayID = -1;
  });
}

int32_t CloseMapFiles(int32_t mapID) {
  int32_t result = 0;
  ForEachSlot([&](OpenSlot& slot, int32_t) {
    if (slot.mapID != mapID) return;
    const int32_t err = FSCloseBuf(slot.file);
    if (err != 0 && result == 0) result = err;
    if (!slot.file.IsOpen()) slot.mapID = slot.overlayID = -1;
  });
  return result;
}

int32_t FlushBufferedFiles() {
  for (OpenFileArray* array : {&table.objectFiles, &table.summaryFiles}) {
    for (OpenSlot& slot : array->slots) {
      if (!slot.file.IsOpen()) continue;
      const int32_t err = FSWriteIfDirtyBuf(slot.file);
      if (err != 0) {
        ShowAlert(FormatText("FSWriteIfDirtyBuf returned %d for the file%s%s",
                             static_cast<int>(err), "\r\n", slot.file.path),
                  kStopAlert);
        return err;
      }
    }
  }
  return 0;
}

void BeginReadOnlyFiles() {
  if (table.readOnlyNesting++ == 0) {
    table.savedOpenMode = GetFileOpenMode();
    SetFileOpenMode(kOpenReadOnly);
  }
}

void EndReadOnlyFiles(void (*then)()) {
  const bool wasOpen = table.readOnlyNesting > 0;
  if (then == nullptr) {
    table.readOnlyNesting = 0;
  } else if (table.readOnlyNesting > 0) {
    --table.readOnlyNesting;
  }
  // Only the end of an open section has a saved mode to give back.
  if (table.readOnlyNesting == 0 && wasOpen) {
    SetFileOpenMode(table.savedOpenMode);
    if (then != nullptr) then();
  }
}

int16_t ReadOnlyNesting() {
  return table.readOnlyNesting;
}

void ResetOpenFilesForTesting() {
  ForEachSlot([](OpenSlot& slot, int32_t) {
    if (SlotInUse(slot) && FSCloseBuf(slot.file) != 0) FSDiscardBuf(slot.file);
    slot.file = BufferedFile();
    slot.mapID = slot.overlayID = -1;
  });
  table.objectFiles.victim = 0;
  table.summaryFiles.victim = 0;
  table.readOnlyNesting = 0;
  table.savedOpenMode = kOpenReadWrite;
  SetFileOpenMode(kOpenReadWrite);
}

}  // namespace tlv
