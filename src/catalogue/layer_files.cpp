#include "catalogue/layer_files.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "base/collate.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "store/compaction_files.h"
#include "store/directory_table.h"
#include "store/file_contents.h"
#include "store/map_lock.h"

namespace tlv {

namespace {

constexpr int kMessageTooManyFileNames = 104;
// How long a load waits for a compaction running in another process before it reads the map
// as it stands.
constexpr int32_t kWaitForCompactionMs = 20000;
constexpr int kMessageDuplicateLayerFile = 613;
constexpr const char* kInvalidNameCharacters = "\\/:*?\"<>|";

struct LayerFileState {
  int32_t currentMap = -1;
};

LayerFileState state;

bool FileOrCDNameExists(const std::string& path) {
  return FileExists(path) || FileExists(path + ";1");
}

// The path of an existing file, under its own name or with ";1".
std::string ExistingPath(const std::string& path) {
  if (!FileExists(path) && FileExists(path + ";1")) return path + ";1";
  return path;
}

struct FolderContext {
  std::string folder;
};

// A base name is taken when any of the files that would carry it exists, so a new overlay
// file set never lands on files left behind by another one.
bool BaseNameTaken(const std::string& base, const void* context) {
  const auto* folder = static_cast<const FolderContext*>(context);
  for (const char* extension : {".LYR", ".OBJ", ".SUM"}) {
    if (FileOrCDNameExists(folder->folder + base + extension)) return true;
  }
  return false;
}

int32_t ReadHeader(int16_t volume, int32_t dirID, const std::string& fileName,
                   LayerFileHeader& header) {
  char bytes[kLayerFileHeaderSize];
  const int32_t err =
      ReadFilePart(volume, dirID, fileName.c_str(), 0, kLayerFileHeaderSize, bytes, nullptr);
  if (err != 0) return err;
  return DecodeLayerFileHeader(bytes, kLayerFileHeaderSize, header);
}

int32_t WriteHeader(int16_t volume, int32_t dirID, const std::string& fileName,
                    const LayerFileHeader& header) {
  char bytes[kLayerFileHeaderSize];
  EncodeLayerFileHeader(header, bytes);
  return WriteFileContents(volume, dirID, fileName.c_str(), kCatalogueCreator, kLayerFileKind,
                           kLayerFileHeaderSize, bytes);
}

bool MapLocked(int32_t mapID) {
  MapRecord map;
  return GetMapRecord(MapIDToIndex(mapID), map) && map.locked != 0;
}

std::string FolderPathOf(int32_t dirID) {
  std::string folder;
  DirectoryPath(dirID, folder);
  return folder;
}

}  // namespace

std::string FileNameFromText(std::string_view text) {
  std::string name(text);
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || std::strchr(kInvalidNameCharacters, c) != nullptr) {
      c = '_';
    }
  }
  if (!name.empty() && name[0] == '.') name[0] = '_';
  return name;
}

std::string UniqueNumberedName(const std::string& base, int32_t limit, int32_t maxSuffix,
                               bool (*taken)(const std::string& name, const void* context),
                               const void* context) {
  const std::string whole = base.substr(0, static_cast<size_t>(limit));
  if (!taken(whole, context)) return whole;
  for (int32_t n = 2; n <= maxSuffix; ++n) {
    std::string suffix(1, ' ');
    suffix.append(std::to_string(n));
    const size_t room = static_cast<size_t>(limit) - suffix.size();
    std::string candidate = base.substr(0, room);
    candidate.append(suffix);
    if (!taken(candidate, context)) return candidate;
  }
  return std::string();
}

void SetCurrentLayerFileMap(int32_t mapIndex) {
  state.currentMap = mapIndex;
}

int32_t CurrentLayerFileMap() {
  return state.currentMap;
}

int32_t AddLayerFile(int16_t volume, int32_t dirID, const std::string& fileName) {
  LayerFileHeader header;
  int32_t err = ReadHeader(volume, dirID, fileName, header);
  if (err != 0) {
    ReportFileContentsError("AddLayerFile()", err, volume, dirID, fileName.c_str());
    return err;
  }
  std::string baseName = fileName;
  if (baseName.size() > 2 && baseName.compare(baseName.size() - 2, 2, ";1") == 0) {
    baseName.resize(baseName.size() - 2);
  }
  if (baseName.size() >= 4 && CollateEqual(baseName.substr(baseName.size() - 4), ".LYR")) {
    baseName.resize(baseName.size() - 4);
  }
  {
    // A compaction cut off part way is finished or undone before anything reads the set. The
    // folder is held shared first: a compaction running in another process holds it exclusive,
    // and its work files are its own (finishing them from here would delete or rename them
    // under it, and could put a new summary file beside the old object file). It is waited
    // for a while; one that runs on is left alone and the set read as it stands.
    std::string folder;
    if (FinishCompactionOnLoad() && DirectoryPath(dirID, folder) == 0 &&
        HoldMapFolderShared(folder, kWaitForCompactionMs) != kErrMapInUse) {
      CompactionRecovery recovery = CompactionRecovery::kNone;
      err = FinishCompaction(folder, baseName, recovery);
      if (err != 0 || recovery == CompactionRecovery::kBlocked) {
        if (err != 0) ReportError("AddLayerFile()", "FinishCompaction()", err);
        return 0;  // this overlay file stays out; the others load
      }
      AcceptOverlayFile(folder, baseName);
    }
  }
  if (baseName.size() > kOverlayFileBaseNameSize - 1) {
    // The record cannot hold the name, so the files could never be opened: leave them out.
    ReportFileError("AddLayerFile()", "FSMakeFSSpec()", kErrBadName, volume, dirID,
                    fileName.c_str());
    return 0;
  }
  // A header without a name still names its overlay through the file's base name.
  std::string layerName = header.name.empty() ? baseName : header.name;
  int32_t layerIndex = LayerNameToIndex(layerName);
  if (layerIndex < 0) {
    err = AddLayer(layerName, false, true, false, layerIndex);
    if (err != 0) return err;
  }
  LayerRecord layer;
  GetLayerRecord(layerIndex, layer);

  MapRecord map;
  const int32_t mapIndex = state.currentMap;
  if (!GetMapRecord(mapIndex, map)) {
    ShowAlert("bad sCurrentMap in AddLayerFile", kStopAlert);
    return kErrGeneral;
  }
  const int32_t existing = OverlayFileIndexForID(mapIndex, layer.layerID);
  if (existing >= 0) {
    OverlayFileRecord other;
    GetOverlayFileRecord(mapIndex, existing, other);
    ShowAlert(FormatTextV(MessageText(kMessageDuplicateLayerFile).c_str(),
                          FieldText(layer.name).c_str(), FieldText(map.name).c_str(),
                          FieldText(other.baseName).c_str(), baseName.c_str()),
              kCautionAlert);
    return 0;
  }
  OverlayFileRecord file;
  file.bounds = header.bounds;
  file.objectCount = header.objectCount;
  file.mapID = map.mapID;
  file.overlayID = layer.layerID;
  file.volume = volume;
  file.dirID = dirID;
  CopyToField(file.baseName, baseName);
  file.drawnArea = kUnionStartRect;
  if (AppendOverlayFileRecord(mapIndex, file) != 0) {
    ReportError("AddLayerFile()", "MySetHandleSize()", MyMemError());
    return kErrGeneral;
  }
  GetMapRecord(mapIndex, map);
  const int32_t fileIndex = map.overlayFileCount - 1;
  for (const uint32_t kind : {kSummaryFileKind, kObjectFileKind}) {
    err = AllocateSpaceForFile(mapIndex, fileIndex, kind, kSmallWindowSize, nullptr, nullptr);
    if (err != 0) {
      CloseMapFiles(map.mapID);
      RemoveOverlayFileRecord(mapIndex, fileIndex);
      return err;
    }
  }
  return 0;
}

int32_t NewLayerFileName(int32_t mapIndex, std::string_view layerName, int16_t volume,
                         int32_t dirID, std::string& baseName) {
  (void)volume;
  baseName.clear();
  std::string base = FileNameFromText(layerName);
  for (char& c : base) {
    if (c == '.') c = '_';
  }
  if (base.empty()) base.assign(1, '_');
  base.resize(std::min(base.size(), static_cast<size_t>(kLayerFileBaseLimit)));
  const FolderContext context{FolderPathOf(dirID)};
  baseName = UniqueNumberedName(base, kLayerFileBaseLimit, 999, BaseNameTaken, &context);
  if (!baseName.empty()) return 0;
  MapRecord map;
  GetMapRecord(mapIndex, map);
  ShowAlert(FormatTextV(MessageText(kMessageTooManyFileNames).c_str(), base.c_str(),
                        FieldText(map.name).c_str()),
            kCautionAlert);
  return kErrGeneral;
}

int32_t CreateLayerFile(int32_t mapIndex, std::string_view layerName, int32_t& filePosition) {
  filePosition = -1;
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) return kErrGeneral;
  if (map.locked) return kErrWritePermission;
  std::string base;
  int32_t err = NewLayerFileName(mapIndex, layerName, map.volume, map.dirID, base);
  if (err != 0) return err;
  const std::string folder = FolderPathOf(map.dirID);
  for (const char* extension : {".SUM", ".OBJ"}) {
    err = CreateFile(folder + base + extension);
    if (err != 0) {
      ReportError("CreateLayerFile()", "my_hcreate()", err);
      return err;
    }
  }
  LayerFileHeader header;
  header.name = std::string(layerName.substr(0, kLayerNameSize - 1));
  header.bounds = kUnionStartRect;
  err = WriteHeader(map.volume, map.dirID, base + ".LYR", header);
  if (err != 0) {
    ReportError("CreateLayerFile()", "WriteFileContents()", err);
    return err;
  }
  SetCurrentLayerFileMap(mapIndex);
  err = AddLayerFile(map.volume, map.dirID, base + ".LYR");
  RebuildLayerIDIndex();
  if (err != 0) return err;
  GetMapRecord(mapIndex, map);
  filePosition = map.overlayFileCount - 1;
  return 0;
}

namespace {

constexpr const char* kLockedMapsKeepOldName =
    "The overlay now named \"%s\" keeps its old name on these maps, because they cannot be "
    "changed:\n\n%s\n\nIts objects there will be in an overlay of the old name when TOLVANE "
    "starts again.";

// One map's share of a rename: the overlay file and the base name it is to take.
struct PlannedRename {
  int32_t mapIndex = -1;
  int32_t fileIndex = -1;
  OverlayFileRecord file;
  std::string folder;
  std::string oldBase;
  std::string newBase;
  std::string oldLayerName;  // as the ".LYR" header held it
};

// What has been done so far, undone in reverse when a later step fails, so that no map is left
// with files of two base names or a header that disagrees with its file names.
struct RenameJournal {
  std::vector<std::pair<std::string, std::string>> renamed;  // (from, to)
  std::vector<const PlannedRename*> headersWritten;

  void RollBack() {
    for (auto it = renamed.rbegin(); it != renamed.rend(); ++it) RenameFile(it->second, it->first);
    for (const PlannedRename* plan : headersWritten) {
      LayerFileHeader header;
      const std::string name = plan->oldBase + ".LYR";
      if (ReadHeader(plan->file.volume, plan->file.dirID, name, header) == 0) {
        header.name = plan->oldLayerName;
        WriteHeader(plan->file.volume, plan->file.dirID, name, header);
      }
    }
  }
};

int32_t RenameOne(const PlannedRename& plan, std::string_view newName, RenameJournal& journal) {
  constexpr const char* kCaller = "RenameLayerFiles()";
  const std::string& folder = plan.folder;
  auto moveFile = [&](const char* extension) -> int32_t {
    const std::string from = ExistingPath(folder + plan.oldBase + extension);
    const std::string to = folder + plan.newBase + extension;
    const int32_t err = RenameFile(from, to);
    if (err == 0) journal.renamed.emplace_back(from, to);
    return err;
  };
  int32_t err = moveFile(".LYR");
  if (err != 0) {
    ReportError(kCaller, "hrename()", err);
    return err;
  }
  LayerFileHeader header;
  err = ReadHeader(plan.file.volume, plan.file.dirID, plan.newBase + ".LYR", header);
  header.name = std::string(newName.substr(0, kLayerNameSize - 1));
  if (err == 0) err = WriteHeader(plan.file.volume, plan.file.dirID, plan.newBase + ".LYR", header);
  if (err != 0) {
    ReportError(kCaller, "WriteFileContents()", err);
    return err;
  }
  journal.headersWritten.push_back(&plan);
  for (const char* extension : {".SUM", ".OBJ"}) {
    err = moveFile(extension);
    if (err != 0) {
      ReportError(kCaller, "hrename()", err);
      return err;
    }
  }
  // The index is made again from the summary file when it is missing, so it may fail alone.
  if (FileOrCDNameExists(folder + plan.oldBase + ".SM2")) moveFile(".SM2");
  return 0;
}

}  // namespace

int32_t RenameLayerFiles(int32_t layerID, std::string_view newName) {
  constexpr const char* kCaller = "RenameLayerFiles()";
  CloseBufferedFiles();
  // Every name is chosen and every file looked for before anything is renamed.
  std::vector<PlannedRename> plans;
  std::vector<std::string> lockedMaps;
  for (int32_t m = 0; m < MapCount(); ++m) {
    MapRecord map;
    GetMapRecord(m, map);
    if (map.mapID == 0) continue;
    const int32_t f = OverlayFileIndexForID(m, layerID);
    if (f < 0) continue;
    if (map.locked) {
      lockedMaps.push_back(FieldText(map.name));
      continue;
    }
    PlannedRename plan;
    plan.mapIndex = m;
    plan.fileIndex = f;
    GetOverlayFileRecord(m, f, plan.file);
    plan.folder = FolderPathOf(plan.file.dirID);
    plan.oldBase = FieldText(plan.file.baseName);
    int32_t err = NewLayerFileName(m, newName, plan.file.volume, plan.file.dirID, plan.newBase);
    if (err != 0) {
      ReportError(kCaller, "NewLayerFileName()", err);
      return err;
    }
    for (const char* extension : {".LYR", ".SUM", ".OBJ"}) {
      if (!FileOrCDNameExists(plan.folder + plan.oldBase + extension)) {
        ReportError(kCaller, "hrename()", kErrFileNotFound);
        return kErrFileNotFound;
      }
    }
    LayerFileHeader header;
    err = ReadHeader(plan.file.volume, plan.file.dirID, plan.oldBase + ".LYR", header);
    if (err != 0) {
      ReportFileContentsError(kCaller, err, plan.file.volume, plan.file.dirID,
                              (plan.oldBase + ".LYR").c_str());
      return err;
    }
    plan.oldLayerName = header.name;
    plans.push_back(std::move(plan));
  }
  RenameJournal journal;
  for (const PlannedRename& plan : plans) {
    const int32_t err = RenameOne(plan, newName, journal);
    if (err != 0) {
      journal.RollBack();
      return err;
    }
  }
  // The records take the new names only once every file carries them.
  for (const PlannedRename& plan : plans) {
    OverlayFileRecord file = plan.file;
    CopyToField(file.baseName, plan.newBase);
    SetOverlayFileRecord(plan.mapIndex, plan.fileIndex, file);
  }
  if (!lockedMaps.empty()) {
    std::string lines;
    for (const std::string& name : lockedMaps) {
      if (!lines.empty()) lines += "\n";
      lines += name;
    }
    const std::string layerName(newName.substr(0, kLayerNameSize - 1));
    ShowAlert(FormatTextV(kLockedMapsKeepOldName, layerName.c_str(), lines.c_str()), kCautionAlert);
  }
  return 0;
}

int32_t ReadLayerFileImage(OverlayFileRecord& file) {
  if (MapLocked(file.mapID)) return 0;
  LayerFileHeader header;
  const std::string name = FieldText(file.baseName) + ".LYR";
  const int32_t err = ReadHeader(file.volume, file.dirID, name, header);
  if (err != 0) {
    ReportFileContentsError("ReadLayerFileImage()", err, file.volume, file.dirID, name.c_str());
    return err;
  }
  file.bounds = header.bounds;
  file.objectCount = header.objectCount;
  return 0;
}

int32_t WriteLayerFileImage(const OverlayFileRecord& file) {
  if (MapLocked(file.mapID)) return 0;
  LayerFileHeader header;
  const std::string name = FieldText(file.baseName) + ".LYR";
  int32_t err = ReadHeader(file.volume, file.dirID, name, header);
  if (err != 0) {
    ReportFileContentsError("WriteLayerFileImage()", err, file.volume, file.dirID, name.c_str());
    return err;
  }
  header.bounds = file.bounds;
  header.objectCount = file.objectCount;
  err = WriteHeader(file.volume, file.dirID, name, header);
  if (err != 0) ReportError("WriteLayerFileImage()", "WriteFileContents()", err);
  return err;
}

}  // namespace tlv
