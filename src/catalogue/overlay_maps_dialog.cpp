#include "catalogue/overlay_maps_dialog.h"

#include <cstring>

#include "base/collate.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "store/directory_table.h"

namespace tlv {

namespace {

constexpr int kMessageInUse = 2;
constexpr int kMessageNotInUse = 3;
constexpr int kMessageNotFound = 4;
constexpr int kMessageUserMapFolder = 554;
constexpr int kMessageMapAlreadyListed = 107;
constexpr int kMessageMapMarkedForRemoval = 108;

HandleArray<MapRecord> Rows(const OverlayMapsDialogState& dialog) {
  return HandleArray<MapRecord>(dialog.rows);
}

bool RowListsName(const OverlayMapsDialogState& dialog, const std::string& name) {
  const HandleArray<MapRecord> rows = Rows(dialog);
  for (int32_t i = 0; i < rows.Count(); ++i) {
    if (CollateEqual(FieldText(rows.Get(i).name), name)) return true;
  }
  return false;
}

int32_t RowOfMapID(const OverlayMapsDialogState& dialog, int32_t mapID) {
  const HandleArray<MapRecord> rows = Rows(dialog);
  for (int32_t i = 0; i < rows.Count(); ++i) {
    if (rows.Get(i).mapID == mapID) return i;
  }
  return -1;
}

// The maps of the catalogue that the copy no longer lists.
std::vector<MapRecord> MarkedForRemoval(const OverlayMapsDialogState& dialog) {
  std::vector<MapRecord> marked;
  for (int32_t i = 0; i < MapCount(); ++i) {
    MapRecord map;
    GetMapRecord(i, map);
    if (RowOfMapID(dialog, map.mapID) < 0) marked.push_back(map);
  }
  return marked;
}

// Moves the map's folder to a name made from its new map name; the map and its overlay files
// then live under a new directory ID.
int32_t RenameMapFolder(int32_t mapIndex, const std::string& newName) {
  MapRecord map;
  GetMapRecord(mapIndex, map);
  const std::string folder = MapFolderPath(map);
  if (folder.empty()) return 0;
  std::string bare = folder;
  while (bare.size() > 1 && bare.back() == '/') bare.pop_back();
  const std::string parent = FolderOfPath(bare);
  const std::string current = bare.substr(parent.size());
  int32_t parentID = -1;
  int32_t err = RegisterDirectory(parent, true, parentID);
  if (err != 0) return err;
  std::string folderName;
  err = NewMapFolderName(parentID, newName, current, folderName);
  if (err != 0) return err;
  if (folderName == current) return 0;
  CloseMapFiles(map.mapID);
  const std::string newPath = parent + folderName + "/";
  err = RenameFile(bare, parent + folderName);
  if (err != 0) {
    ReportError("ApplyOverlayMapsDialog()", "hrename()", err);
    return err;
  }
  int32_t newDirID = -1;
  err = RegisterDirectory(newPath, true, newDirID);
  if (err != 0) {
    ReportError("ApplyOverlayMapsDialog()", "RegisterDirectory()", err);
    return err;
  }
  map.dirID = newDirID;
  HandleArray<OverlayFileRecord> files(map.overlayFiles);
  for (int32_t f = 0; f < files.Count(); ++f) {
    OverlayFileRecord file = files.Get(f);
    file.dirID = newDirID;
    files.Set(f, file);
  }
  SetMapRecord(mapIndex, map);
  // A remembered map is remembered under its new folder.
  if (!FolderInOverlayMaps(newPath)) {
    const std::string oldName = FieldText(map.name);
    FilterXtraMapsPltFile(
        [&oldName](const XtraMapsEntry& entry) { return !CollateEqual(entry.name, oldName); });
    AddToXtramapsPltFile({newPath, newName});
  }
  return 0;
}

}  // namespace

int32_t BeginOverlayMapsDialog(OverlayMapsDialogState& dialog) {
  dialog = OverlayMapsDialogState();
  dialog.rows = MyNewHandle(0);
  if (dialog.rows == nullptr) {
    ReportError("BeginOverlayMapsDialog()", "MyNewHandle()", MyMemError());
    return -1;
  }
  HandleArray<MapRecord> rows = Rows(dialog);
  for (int32_t i = 0; i < MapCount(); ++i) {
    MapRecord map;
    GetMapRecord(i, map);
    if (rows.Append(map) != 0) return -1;
  }
  std::vector<XtraMapsEntry> entries;
  ReadXtraMapsPltFile(CatalogueFolderIDs().settings, entries);
  for (const XtraMapsEntry& entry : entries) {
    if (RowListsName(dialog, entry.name)) continue;
    MapRecord placeholder;
    CopyToField(placeholder.name, entry.name);
    placeholder.mapID = 0;
    placeholder.inUse = 0;
    if (rows.Append(placeholder) != 0) return -1;
  }
  SortMapListByName(dialog.rows);
  return 0;
}

int32_t OverlayMapsRowCount(const OverlayMapsDialogState& dialog) {
  return Rows(dialog).Count();
}

bool GetOverlayMapsRow(const OverlayMapsDialogState& dialog, int32_t row, MapRecord& record) {
  if (row < 0 || row >= OverlayMapsRowCount(dialog)) return false;
  record = Rows(dialog).Get(row);
  return true;
}

std::string OverlayMapsRowStatus(const MapRecord& record) {
  if (record.mapID == 0) return MessageText(kMessageNotFound);
  return MessageText(record.inUse ? kMessageInUse : kMessageNotInUse);
}

int32_t RemoveOverlayMapsRow(OverlayMapsDialogState& dialog, int32_t row) {
  if (DeleteMapFromMapList(dialog.rows, row) != 0) return -1;
  dialog.removedAny = true;
  return 0;
}

int32_t RenameOverlayMapsRow(OverlayMapsDialogState& dialog, int32_t row, std::string_view name) {
  MapRecord record;
  if (!GetOverlayMapsRow(dialog, row, record) || record.mapID == 0) return -1;
  CopyToField(record.name, name);
  Rows(dialog).Set(row, record);
  return 0;
}

int32_t SetOverlayMapsRowInUse(OverlayMapsDialogState& dialog, int32_t row, bool inUse) {
  MapRecord record;
  if (!GetOverlayMapsRow(dialog, row, record) || record.mapID == 0) return -1;
  record.inUse = inUse ? 1 : 0;
  Rows(dialog).Set(row, record);
  return 0;
}

int32_t FindNewMapInOverlayMapsDialog(OverlayMapsDialogState& dialog, const std::string& path,
                                      int32_t& row) {
  row = -1;
  const std::vector<MapRecord> marked = MarkedForRemoval(dialog);
  // While the dialog is open the list it shows is the one a found map is checked against.
  int32_t folderID = -1;
  if (MapFolderIDFromPath(0, path, folderID) == 0) {
    const HandleArray<MapRecord> rows = Rows(dialog);
    for (int32_t i = 0; i < rows.Count(); ++i) {
      if (rows.Get(i).mapID != 0 && rows.Get(i).dirID == folderID) {
        ShowAlert(MessageText(kMessageMapAlreadyListed), kCautionAlert);
        return kErrGeneral;
      }
    }
    for (const MapRecord& map : marked) {
      if (map.dirID == folderID) {
        ShowAlert(MessageText(kMessageMapMarkedForRemoval), kCautionAlert);
        return kErrGeneral;
      }
    }
  }
  std::vector<MapRecord> before;
  for (int32_t i = 0; i < MapCount(); ++i) {
    MapRecord map;
    GetMapRecord(i, map);
    before.push_back(map);
  }
  int32_t position = -1;
  const int32_t err = AddFoundMap(0, 0, path, position, false, marked.data(),
                                  static_cast<int32_t>(marked.size()), false);
  if (err != 0) return err;
  MapRecord added;
  GetMapRecord(position, added);
  dialog.foundMapIDs.push_back(added.mapID);
  for (const MapRecord& map : before) {
    if (MapIDToIndex(map.mapID) < 0) dialog.replacedFolders.push_back(map.dirID);
  }
  // Rows of maps the catalogue let go (same-named older maps) and placeholders of the name go.
  HandleArray<MapRecord> rows = Rows(dialog);
  for (int32_t i = rows.Count() - 1; i >= 0; --i) {
    const MapRecord shown = rows.Get(i);
    const bool gone = shown.mapID != 0 && MapIDToIndex(shown.mapID) < 0;
    const bool placeholder =
        shown.mapID == 0 && CollateEqual(FieldText(shown.name), FieldText(added.name));
    if (gone || placeholder) rows.Remove(i);
  }
  if (rows.Append(added) != 0) {
    ReportError("FindNewMapInOverlayMapsDialog()", "MySetHandleSize()", MyMemError());
    return -1;
  }
  SortMapListByName(dialog.rows);
  row = RowOfMapID(dialog, added.mapID);
  return 0;
}

int32_t ApplyOverlayMapsDialog(OverlayMapsDialogState& dialog) {
  HandleArray<MapRecord> rows = Rows(dialog);
  if (dialog.removedAny) {
    FilterXtraMapsPltFile(
        [&dialog](const XtraMapsEntry& entry) { return RowListsName(dialog, entry.name); });
  }
  for (int32_t i = rows.Count() - 1; i >= 0; --i) {
    if (rows.Get(i).mapID == 0) rows.Remove(i);
  }
  SortMapListByName(dialog.rows);
  for (int32_t i = MapCount() - 1; i >= 0; --i) {
    MapRecord map;
    GetMapRecord(i, map);
    if (RowOfMapID(dialog, map.mapID) < 0) RemoveMap(i, false);
  }
  bool changed = false;
  const CatalogueFolders& folders = CatalogueFolderIDs();
  const std::string userMapFolder = MessageText(kMessageUserMapFolder);
  int32_t result = 0;
  for (int32_t r = 0; r < rows.Count(); ++r) {
    const MapRecord shown = rows.Get(r);
    const int32_t index = MapIDToIndex(shown.mapID);
    MapRecord map;
    if (!GetMapRecord(index, map)) continue;
    if (std::strncmp(map.name, shown.name, kMapNameSize) != 0) {
      const std::string newName = FieldText(shown.name);
      // The User's Map folder is named by the folder table and keeps its name.
      const bool keepFolder = map.locked || CollateEqual(newName, userMapFolder) ||
                              (folders.userMap >= 0 && map.dirID == folders.userMap);
      if (!keepFolder) {
        const int32_t err = RenameMapFolder(index, newName);
        if (err != 0 && result == 0) result = err;
        GetMapRecord(index, map);
      }
      CopyToField(map.name, newName);
      changed = true;
    }
    if (map.inUse != shown.inUse) map.inUse = shown.inUse;
    SetMapRecord(index, map);
  }
  SortMapListByName(MapList());
  MyDisposeHandle(dialog.rows);
  dialog = OverlayMapsDialogState();
  if (changed) {
    const int32_t err = SaveMaps();
    if (err != 0 && result == 0) result = err;
  }
  return result;
}

void CancelOverlayMapsDialog(OverlayMapsDialogState& dialog) {
  for (const int32_t mapID : dialog.foundMapIDs) {
    const int32_t index = MapIDToIndex(mapID);
    MapRecord map;
    if (!GetMapRecord(index, map)) continue;
    const std::string folder = MapFolderPath(map);
    FilterXtraMapsPltFile([&folder](const XtraMapsEntry& entry) {
      return !CollateEqual(WithTrailingSlash(entry.path), folder);
    });
    RemoveMap(index, false);
  }
  // The maps a found map pushed out come back, remembered as before.
  const int16_t volume = CatalogueFolderIDs().volume;
  for (const int32_t dirID : dialog.replacedFolders) {
    if (AddMap(volume, dirID) != 0) continue;
    MapRecord map;
    GetMapRecord(LastAddedMapIndex(), map);
    const std::string folder = MapFolderPath(map);
    if (!FolderInOverlayMaps(folder)) AddToXtramapsPltFile({folder, FieldText(map.name)});
  }
  if (!dialog.foundMapIDs.empty()) {
    RecomputeNextMapID();
    RebuildMapIDIndex();
  }
  if (dialog.rows != nullptr) MyDisposeHandle(dialog.rows);
  dialog = OverlayMapsDialogState();
}

}  // namespace tlv
