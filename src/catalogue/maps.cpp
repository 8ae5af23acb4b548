#include "catalogue/maps.h"

#include <algorithm>
#include <cstring>

#include "base/collate.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layer_files.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "geometry/wrect.h"
#include "store/directory_table.h"
#include "store/file_contents.h"

namespace tlv {

namespace {

constexpr int kMessageTooManyMaps = 105;
constexpr int kMessageTooManyMapFolders = 106;
constexpr int kMessageMapAlreadyListed = 107;
constexpr int kMessageMapMarkedForRemoval = 108;
constexpr int kMessageInitializingMaps = 110;
constexpr int32_t kMapNameLength = kMapNameSize - 1;
constexpr int32_t kUniqueMapBaseLength = 39;
constexpr std::string_view kUserMapName = "User's Map";

bool EndsWithLayerExtension(const std::string& name) {
  std::string bare = name;
  if (bare.size() > 2 && bare.compare(bare.size() - 2, 2, ";1") == 0) bare.resize(bare.size() - 2);
  return bare.size() > 4 && CollateEqual(bare.substr(bare.size() - 4), ".LYR");
}

bool FileInFolderExists(int16_t volume, int32_t dirID, const char* name) {
  std::string path;
  if (dirID < 0 || MakeFullPath(volume, dirID, name, path) != 0) return false;
  return FileExists(path) || FileExists(path + ";1");
}

bool MapNameListed(const std::string& name) {
  for (int32_t i = 0; i < MapCount(); ++i) {
    MapRecord map;
    GetMapRecord(i, map);
    if (CollateEqual(FieldText(map.name), name)) return true;
  }
  return false;
}

std::string StripTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

void SortOverlayFilesByBaseName(Handle files) {
  HandleArray<OverlayFileRecord> records(files);
  std::vector<OverlayFileRecord> sorted;
  for (int32_t i = 0; i < records.Count(); ++i) sorted.push_back(records.Get(i));
  std::stable_sort(
      sorted.begin(), sorted.end(), [](const OverlayFileRecord& a, const OverlayFileRecord& b) {
        return CollateCompare(a.baseName, b.baseName, kOverlayFileBaseNameSize, false) < 0;
      });
  for (size_t i = 0; i < sorted.size(); ++i) records.Set(static_cast<int32_t>(i), sorted[i]);
}

// Writes the file's own first bytes back where they are: the cheapest proof that the map can be
// written, and one that cannot damage the file whatever happens.
bool RewriteInPlace(int16_t volume, int32_t dirID, const char* name,
                    const char (&bytes)[kNameDotMapSize + 1]) {
  std::string path;
  if (MakeFullPath(volume, dirID, name, path) != 0) return false;
  if (!FileExists(path)) path += ";1";
  PlatformFile file;
  if (OpenFile(path, FileAccess::kReadWrite, file) != 0) return false;
  const int32_t err = file.Write(0, kNameDotMapSize, bytes);
  return file.Close() == 0 && err == 0;
}

// Loads a map folder. AddFoundMap lets a map in whose name a listed map already has, because
// it then removes the older one.
int32_t AddMapFolder(int16_t volume, int32_t dirID, bool allowSameName) {
  // One byte more than the record, so a longer file is seen for what it is.
  char bytes[kNameDotMapSize + 1];
  int32_t length = sizeof bytes;
  int32_t err = ReadFileContents(volume, dirID, kNameDotMapName, bytes, length, nullptr, false);
  // A longer file (written by something else, or grown by a copy tool) still names its map in
  // its first 56 bytes; the map shows, but nothing here may rewrite a file it does not know.
  const bool oversized = err == 0 && length > kNameDotMapSize;
  NameDotMap record;
  if (err == 0) err = DecodeNameDotMap(bytes, oversized ? kNameDotMapSize : length, record);
  if (err != 0) {
    ReportFileContentsError("AddMap()", err, volume, dirID, kNameDotMapName);
    return err;
  }
  std::string folder;
  DirectoryPath(dirID, folder);
  // A folder that cannot take files (read-only media) makes a locked map that is never written.
  bool locked =
      oversized || !IsWritable(folder) || !RewriteInPlace(volume, dirID, kNameDotMapName, bytes);
  if (!allowSameName) {
    for (int32_t i = 0; i < MapCount(); ++i) {
      MapRecord listed;
      GetMapRecord(i, listed);
      if (listed.mapID != 0 && CollateEqual(FieldText(listed.name), record.name)) {
        SetLastAddedMapIndex(i);
        return 0;
      }
    }
  }
  const CatalogueFolders& folders = CatalogueFolderIDs();
  const bool userMap = folders.userMap >= 0 && dirID == folders.userMap;
  int32_t mapID = TakeMapID();
  if (userMap) {
    mapID = -mapID;
    RememberUserMapID(mapID);
  }
  if (FileInFolderExists(volume, dirID, kMapLayers2Name)) {
    AppendAdditionalLayersFromLayers2PltFile(volume, dirID, kMapLayers2Name);
  }
  MapRecord map;
  CopyToField(map.name, record.name);
  map.mapID = mapID;
  CopyToField(map.owner, record.owner);
  map.inUse = 1;
  map.universalMark = record.universal;
  map.volume = volume;
  map.dirID = dirID;
  map.overlayFileCount = 0;
  map.overlayFiles = MyNewHandle(0);
  int32_t index = -1;
  if (map.overlayFiles == nullptr || AppendMapRecord(map, index) != 0) {
    ReportError("AddMap()", "MySetHandleSize()", MyMemError());
    if (map.overlayFiles != nullptr) MyDisposeHandle(map.overlayFiles);
    if (userMap) RememberUserMapID(0);
    return kErrGeneral;
  }
  SetCurrentLayerFileMap(index);
  int32_t fileErr = 0;
  err = ForEachItemInFolder(
      volume, dirID, std::string(),
      [&fileErr](int16_t vol, int32_t dir, const std::string& name, bool isFolder) -> int32_t {
        if (isFolder || !EndsWithLayerExtension(name)) return 0;
        fileErr = AddLayerFile(vol, dir, name);
        return fileErr;
      });
  if (err != 0) {
    // AddLayerFile has reported its own failure.
    if (err != -1 && err != fileErr) ReportError("AddMap()", "ForEachItemInFolder()", err);
    CloseMapFiles(mapID);
    GetMapRecord(index, map);
    ReleaseOverlayFileList(map.overlayFiles);
    DeleteMapFromMapList(MapList(), index);
    if (userMap) RememberUserMapID(0);
    return err;
  }
  GetMapRecord(index, map);
  SortOverlayFilesByBaseName(map.overlayFiles);
  map.locked = locked ? 1 : 0;
  std::fill(std::begin(map.policies), std::end(map.policies), int16_t{0});
  map.indexed = 0;
  SetMapRecord(index, map);
  ComputeMapExtent(index);
  GetMapRecord(index, map);
  for (int32_t i = 0; i < MapCount(); ++i) {
    MapRecord other;
    GetMapRecord(i, other);
    const int16_t mark = i == index ? 1 : 0;
    if (other.newEntry != mark) {
      other.newEntry = mark;
      SetMapRecord(i, other);
    }
  }
  SetLastAddedMapIndex(MoveMapToSortedPlace(index));
  return 0;
}

struct ParentContext {
  std::string parent;
  std::string current;
};

bool FolderNameTaken(const std::string& name, const void* context) {
  const auto* parent = static_cast<const ParentContext*>(context);
  if (!parent->current.empty() && name == parent->current) return false;
  return FileExists(parent->parent + name);
}

}  // namespace

int32_t LoadMaps() {
  Platform().SetMessageLine(MessageText(kMessageInitializingMaps));
  CloseBufferedFiles();
  ClearMapList();
  const CatalogueFolders& folders = CatalogueFolderIDs();
  if (folders.overlayMaps >= 0) {
    const int32_t err = ForEachItemInFolder(
        folders.volume, folders.overlayMaps, std::string(),
        [](int16_t volume, int32_t dirID, const std::string& fullPath, bool isFolder) -> int32_t {
          if (!isFolder) return 0;
          const std::string nameDotMap = fullPath + kNameDotMapName;
          if (!FileExists(nameDotMap) && !FileExists(nameDotMap + ";1")) return 0;
          // A map that cannot be loaded has been reported; the others still load.
          AddMap(volume, dirID);
          return 0;
        });
    if (err != 0) {
      ReportError("LoadMaps()", "ForEachItemInFolder()", err);
      return err;
    }
  }
  // Maps elsewhere: a record whose map cannot be found (an empty drive, a folder gone) is
  // skipped without a word.
  for (const int32_t dirID : {folders.settings, folders.program}) {
    std::vector<XtraMapsEntry> entries;
    ReadXtraMapsPltFile(dirID, entries);
    for (const XtraMapsEntry& entry : entries) {
      const std::string folder = WithTrailingSlash(entry.path);
      if (folder.empty() || FolderInOverlayMaps(folder)) continue;
      std::string name;
      if (GetMapNameFromNameDotMapFile(folder, name, nullptr) != 0) continue;
      std::string resolved;
      if (ResolvePath(folder, resolved) != 0) continue;
      int32_t mapDirID = -1;
      if (RegisterDirectory(WithTrailingSlash(resolved), true, mapDirID) != 0) continue;
      AddMap(folders.volume, mapDirID);
    }
  }
  SortMapListByName(MapList());
  RebuildMapIDIndex();
  RebuildLayerIDIndex();
  return 0;
}

int32_t AddMap(int16_t volume, int32_t dirID) {
  return AddMapFolder(volume, dirID, false);
}

int32_t NewMapFolderName(int32_t parentID, std::string_view mapName,
                         const std::string& currentFolder, std::string& folderName) {
  folderName.clear();
  ParentContext context;
  DirectoryPath(parentID, context.parent);
  context.current = currentFolder;
  std::string base = FileNameFromText(mapName);
  if (base.empty()) base.assign(1, '_');
  folderName = UniqueNumberedName(base, kVolumeNameLimit, 999, FolderNameTaken, &context);
  if (!folderName.empty()) return 0;
  const std::string name(mapName);
  ShowAlert(FormatTextV(MessageText(kMessageTooManyMapFolders).c_str(), name.c_str()),
            kCautionAlert);
  return kErrGeneral;
}

int32_t CreateMap(int16_t volume, int32_t parentID, std::string_view name, int32_t& position) {
  position = -1;
  std::string mapName(name.substr(0, kMapNameLength));
  if (MapNameListed(mapName)) {
    const std::string base = mapName.substr(0, kUniqueMapBaseLength);
    std::string found;
    for (int n = 2; n <= 9 && found.empty(); ++n) {
      const std::string candidate = base + "_" + std::to_string(n);
      if (!MapNameListed(candidate)) found = candidate;
    }
    if (found.empty()) {
      ShowAlert(FormatTextV(MessageText(kMessageTooManyMaps).c_str(), mapName.c_str()),
                kCautionAlert);
      return kErrGeneral;
    }
    mapName = found;
  }
  std::string folderName;
  int32_t err = NewMapFolderName(parentID, mapName, std::string(), folderName);
  if (err != 0) return err;
  std::string parent;
  err = DirectoryPath(parentID, parent);
  const std::string path = parent + folderName + "/";
  if (err == 0) err = MakeFolder(path);
  int32_t dirID = -1;
  if (err == 0) err = RegisterDirectory(path, true, dirID);
  if (err != 0) {
    ReportError("CreateMap()", "dircreate()", err);
    return err;
  }
  NameDotMap record;
  record.name = mapName;
  char bytes[kNameDotMapSize];
  EncodeNameDotMap(record, bytes);
  err = WriteFileContents(volume, dirID, kNameDotMapName, kCatalogueCreator, kNameDotMapKind,
                          kNameDotMapSize, bytes);
  if (err != 0) {
    ReportError("CreateMap()", "WriteFileContents()", err);
    return err;
  }
  err = AddMap(volume, dirID);
  if (err != 0) return err;
  position = LastAddedMapIndex();
  return 0;
}

int32_t MapFolderIDFromPath(int32_t dirID, const std::string& path, int32_t& folderID) {
  folderID = -1;
  std::string full = path;
  if (dirID != 0) {
    std::string folder;
    if (DirectoryPath(dirID, folder) == 0) full = folder + path;
  }
  std::string resolved;
  int32_t err = ResolvePath(full, resolved);
  if (err == 0 && !IsFolder(resolved)) resolved = FolderOfPath(resolved);
  if (err == 0) err = RegisterDirectory(WithTrailingSlash(resolved), true, folderID);
  return err;
}

int32_t AddFoundMap(int16_t volume, int32_t dirID, const std::string& path, int32_t& position,
                    bool quiet, const MapRecord* markedForRemoval, int32_t markedCount,
                    bool doNotRemember) {
  position = -1;
  int32_t folderID = -1;
  int32_t err = MapFolderIDFromPath(dirID, path, folderID);
  if (err != 0) {
    if (!quiet) ReportError("AddFoundMap()", "FSMakeFSSpec()", err);
    return err;
  }
  for (int32_t i = 0; i < MapCount(); ++i) {
    MapRecord map;
    GetMapRecord(i, map);
    if (map.mapID != 0 && map.volume == volume && map.dirID == folderID) {
      if (quiet) {
        position = i;
        return 0;
      }
      ShowAlert(MessageText(kMessageMapAlreadyListed), kCautionAlert);
      return kErrGeneral;
    }
  }
  if (!quiet) {
    for (int32_t k = 0; k < markedCount && markedForRemoval != nullptr; ++k) {
      if (markedForRemoval[k].volume == volume && markedForRemoval[k].dirID == folderID) {
        ShowAlert(MessageText(kMessageMapMarkedForRemoval), kCautionAlert);
        return kErrGeneral;
      }
    }
  }
  err = AddMapFolder(volume, folderID, true);
  if (err != 0) return err;
  MapRecord added;
  GetMapRecord(LastAddedMapIndex(), added);
  const int32_t addedID = added.mapID;
  // The newer folder of a name replaces the older one in the catalogue; its files stay.
  for (int32_t i = MapCount() - 1; i >= 0; --i) {
    MapRecord other;
    GetMapRecord(i, other);
    if (other.mapID != addedID && std::strncmp(other.name, added.name, kMapNameSize) == 0) {
      RemoveMap(i, false);
    }
  }
  position = MapIDToIndex(addedID);
  SetLastAddedMapIndex(position);
  RebuildLayerIDIndex();
  if (quiet && CatalogueHooksInUse().redraw != nullptr) CatalogueHooksInUse().redraw();
  GetMapRecord(position, added);
  added.inUse = 1;
  SetMapRecord(position, added);
  const std::string folder = MapFolderPath(added);
  if (!FolderInOverlayMaps(folder) && !doNotRemember) {
    XtraMapsEntry entry{folder, FieldText(added.name)};
    AddToXtramapsPltFile(entry);
  }
  return 0;
}

int32_t RemoveMap(int32_t position, bool redraw) {
  MapRecord map;
  if (!GetMapRecord(position, map)) return kErrGeneral;
  if (map.mapID != 0) {
    const int32_t err = CloseMapFiles(map.mapID);
    if (err != 0) ReportError("RemoveMap()", "CloseMapFiles()", err);
    const CatalogueHooks& hooks = CatalogueHooksInUse();
    if (hooks.forgetMapObjects != nullptr) hooks.forgetMapObjects(map.mapID);
  }
  ReleaseOverlayFileList(map.overlayFiles);
  DeleteMapFromMapList(MapList(), position);
  // The map's ID may be handed to another map later; Undo must not reach into that one.
  if (CatalogueHooksInUse().clearUndo != nullptr) CatalogueHooksInUse().clearUndo();
  if (redraw && CatalogueHooksInUse().redraw != nullptr) CatalogueHooksInUse().redraw();
  return 0;
}

WRect ComputeMapExtent(int32_t position) {
  MapRecord map;
  if (!GetMapRecord(position, map)) return kUnionStartRect;
  WRect extent = kUnionStartRect;
  for (int32_t f = 0; f < map.overlayFileCount; ++f) {
    OverlayFileRecord file;
    if (!GetOverlayFileRecord(position, f, file)) continue;
    const WRect& b = file.bounds;
    // An overlay file without placed objects keeps the empty start rectangle (or all zeros).
    if (b.x1 > b.x2 || b.y1 > b.y2 || (b.x1 == 0 && b.y1 == 0 && b.x2 == 0 && b.y2 == 0)) continue;
    UnionWRect(extent, b);
  }
  map.extent = extent;
  SetMapRecord(position, map);
  return extent;
}

void RefreshMapExtents() {
  for (int32_t i = 0; i < MapCount(); ++i) ComputeMapExtent(i);
}

bool MapExtentKnown(const WRect& extent) {
  return extent.x1 <= extent.x2 && extent.y1 <= extent.y2;
}

int32_t RemoveNewEntryMaps() {
  for (int32_t i = MapCount() - 1; i >= 0; --i) {
    MapRecord map;
    GetMapRecord(i, map);
    if (map.newEntry) RemoveMap(i, false);
  }
  RecomputeNextMapID();
  RebuildMapIDIndex();
  return 0;
}

namespace {

int32_t WriteNameDotMap(const MapRecord& map) {
  NameDotMap record;
  record.name = FieldText(map.name);
  record.owner = FieldText(map.owner);
  record.universal = map.universalMark;
  char bytes[kNameDotMapSize];
  EncodeNameDotMap(record, bytes);
  return WriteFileContents(map.volume, map.dirID, kNameDotMapName, kCatalogueCreator,
                           kNameDotMapKind, kNameDotMapSize, bytes);
}

}  // namespace

int32_t SaveMaps() {
  for (int32_t i = 0; i < MapCount(); ++i) {
    MapRecord map;
    GetMapRecord(i, map);
    if (map.locked || map.mapID == 0) continue;
    if (const int32_t err = WriteNameDotMap(map); err != 0) {
      ReportError("SaveMaps()", "WriteFileContents()", err);
      return err;
    }
  }
  return 0;
}

int32_t SaveMapNameFile(int32_t position) {
  MapRecord map;
  if (!GetMapRecord(position, map) || map.mapID == 0) return kErrGeneral;
  if (map.locked) return 0;
  const int32_t err = WriteNameDotMap(map);
  if (err != 0) ReportError("SaveMapNameFile()", "WriteFileContents()", err);
  return err;
}

int32_t UserMapID() {
  int32_t remembered = RememberedUserMapID();
  if (remembered != 0 && MapIDIndexBuilt() && MapIDToIndex(remembered) < 0) {
    ShowAlert("ProgrammerError in UserMapID", kStopAlert);
    RememberUserMapID(0);
    remembered = 0;
  }
  if (remembered < 0) return remembered;
  for (int32_t i = 0; i < MapCount(); ++i) {
    MapRecord map;
    GetMapRecord(i, map);
    if (map.mapID < 0) return map.mapID;
  }
  return 0;
}

int32_t MapNameToIndex(std::string_view name) {
  std::string wanted(name);
  ApplyApostropheRule(wanted);
  if (CollateEqual(wanted, kUserMapName)) {
    const int32_t userID = UserMapID();
    if (userID != 0) {
      const int32_t index = MapIDToIndex(userID);
      if (index >= 0) return index;
    }
  }
  MapRecord map;
  const int32_t cached = CachedNameLookup();
  if (GetMapRecord(cached, map) && CollateEqual(FieldText(map.name), wanted)) return cached;
  for (int32_t i = 0; i < MapCount(); ++i) {
    GetMapRecord(i, map);
    if (CollateEqual(FieldText(map.name), wanted)) {
      SetCachedNameLookup(i);
      return i;
    }
  }
  return -1;
}

int32_t GetMapNameFromNameDotMapFile(const std::string& path, std::string& name,
                                     std::string* owner) {
  std::string filePath = path;
  if (IsFolder(filePath)) filePath = WithTrailingSlash(filePath) + kNameDotMapName;
  std::string resolved;
  if (ResolvePath(filePath, resolved) != 0 && ResolvePath(filePath + ";1", resolved) != 0) {
    return kErrFileNotFound;
  }
  FileByteSource source(resolved);
  if (source.OpenResult() != 0) return source.OpenResult();
  char bytes[kNameDotMapSize + 1];
  int32_t got = 0;
  int32_t err = source.ReadAt(0, sizeof bytes, bytes, got);
  NameDotMap record;
  if (err == 0) err = DecodeNameDotMap(bytes, std::min(got, kNameDotMapSize), record);
  if (err != 0) return err;
  name = record.name;
  if (owner != nullptr) *owner = record.owner;
  return 0;
}

std::string MapFolderPath(const MapRecord& map) {
  std::string folder;
  if (map.dirID >= 0) DirectoryPath(map.dirID, folder);
  return folder;
}

bool FolderInOverlayMaps(const std::string& folderPath) {
  const CatalogueFolders& folders = CatalogueFolderIDs();
  std::string overlayMaps;
  if (folders.overlayMaps < 0 || DirectoryPath(folders.overlayMaps, overlayMaps) != 0) {
    return false;
  }
  std::string resolved = folderPath;
  std::string found;
  if (ResolvePath(folderPath, found) == 0) resolved = found;
  std::string resolvedMaps = overlayMaps;
  if (ResolvePath(overlayMaps, found) == 0) resolvedMaps = found;
  return CollateEqual(FolderOfPath(StripTrailingSlashes(resolved)),
                      WithTrailingSlash(resolvedMaps));
}

int32_t ReadXtraMapsPltFile(int32_t dirID, std::vector<XtraMapsEntry>& entries) {
  entries.clear();
  const CatalogueFolders& folders = CatalogueFolderIDs();
  if (!FileInFolderExists(folders.volume, dirID, kXtraMapsName)) return 0;
  Handle bytes = nullptr;
  int32_t length = 0;
  const int32_t err =
      ReadFileContents(folders.volume, dirID, kXtraMapsName, nullptr, length, &bytes, false);
  if (err != 0) return err;
  ScopedHandle owned(bytes);
  if (DecodeXtraMaps(*bytes, length, entries) != 0) {
    // A torn file cannot be trusted record by record; it is dropped without a word.
    std::string path;
    if (MakeFullPath(folders.volume, dirID, kXtraMapsName, path) == 0) {
      DeleteFile(FileExists(path) ? path : path + ";1");
    }
    entries.clear();
  }
  return 0;
}

int32_t FilterXtraMapsPltFile(const std::function<bool(const XtraMapsEntry&)>& keep) {
  const CatalogueFolders& folders = CatalogueFolderIDs();
  if (folders.settings < 0) return kErrGeneral;
  std::vector<XtraMapsEntry> entries;
  int32_t err = ReadXtraMapsPltFile(folders.settings, entries);
  if (err != 0) return err;
  std::vector<char> bytes;
  for (const XtraMapsEntry& entry : entries) {
    if (!keep(entry)) continue;
    char record[kXtraMapsRecordSize];
    EncodeXtraMapsEntry(entry, record);
    bytes.insert(bytes.end(), record, record + kXtraMapsRecordSize);
  }
  std::string path;
  MakeFullPath(folders.volume, folders.settings, kXtraMapsName, path);
  if (bytes.empty()) {
    if (FileExists(path)) DeleteFile(path);
    return 0;
  }
  err = WriteFileContents(folders.volume, folders.settings, kXtraMapsName, kCatalogueCreator,
                          kXtraMapsKind, static_cast<int32_t>(bytes.size()), bytes.data());
  if (err != 0) ReportError("FilterXtraMapsPltFile()", "WriteFileContents()", err);
  return err;
}

int32_t AddToXtramapsPltFile(const XtraMapsEntry& entry) {
  return AddAllToXtramapsPltFile(std::vector<XtraMapsEntry>{entry});
}

int32_t AddAllToXtramapsPltFile(const std::vector<XtraMapsEntry>& entries) {
  const CatalogueFolders& folders = CatalogueFolderIDs();
  if (folders.settings < 0) return kErrGeneral;
  if (entries.empty()) return 0;
  std::vector<XtraMapsEntry> kept;
  int32_t err = ReadXtraMapsPltFile(folders.settings, kept);
  if (err != 0) return err;
  // Each new entry replaces the one of its name, and a later one of a name an earlier one.
  std::vector<XtraMapsEntry> all;
  for (const XtraMapsEntry& entry : kept) {
    if (std::none_of(entries.begin(), entries.end(), [&entry](const XtraMapsEntry& added) {
          return CollateEqual(added.name, entry.name);
        })) {
      all.push_back(entry);
    }
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    if (std::none_of(entries.begin() + static_cast<std::ptrdiff_t>(i) + 1, entries.end(),
                     [&entries, i](const XtraMapsEntry& later) {
                       return CollateEqual(later.name, entries[i].name);
                     })) {
      all.push_back(entries[i]);
    }
  }
  // The whole file is written anew through its work file: an append cut short would leave a
  // file of a bad size, which loses every entry at the next start.
  std::vector<char> bytes;
  for (const XtraMapsEntry& entry : all) {
    char record[kXtraMapsRecordSize];
    EncodeXtraMapsEntry(entry, record);
    bytes.insert(bytes.end(), record, record + kXtraMapsRecordSize);
  }
  err = WriteFileContents(folders.volume, folders.settings, kXtraMapsName, kCatalogueCreator,
                          kXtraMapsKind, static_cast<int32_t>(bytes.size()), bytes.data());
  if (err != 0) ReportError("AddToXtramapsPltFile()", "WriteFileContents()", err);
  return err;
}

void ReleaseCatalogue() {
  CloseBufferedFiles();
  ClearMapList();
  ReleaseLayers();
  ReleaseAlternateFonts();
}

}  // namespace tlv
