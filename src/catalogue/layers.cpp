#include "catalogue/layers.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/collate.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/display_settings.h"
#include "catalogue/groups.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "store/directory_table.h"
#include "store/file_contents.h"

namespace tlv {

namespace {

constexpr int kMessageTooManyLayers = 101;
constexpr int kMessageInitializingOverlays = 102;
constexpr int kMessageTemporaryOverlay = 505;
constexpr const char* kOldTemporaryName = "Temporary Layer";
constexpr int32_t kSuffixBaseLength = 29;
constexpr int kRejectedFileNames = 99;
constexpr const char* kLockedMapsKeepDeletedLayer =
    "The overlay \"%s\" was deleted, but its files stay on these maps, because they cannot be "
    "changed:\n\n%s\n\nThe overlay will come back when TOLVANE starts again.";

struct LayerState {
  Handle layers = nullptr;
  // The Settings folder's LAYERS2.PLT or GROUPS.PLT could not be read at loading: it is kept
  // under another name before the list is saved over it.
  bool layersRejected = false;
  bool groupsRejected = false;
  int32_t nextID = kFirstLayerID;
  std::vector<int32_t> idIndex;  // idIndex[ID - 1000] is the position of the overlay
  int32_t indexedCount = -1;
  Handle alternateFonts = nullptr;
  bool loaded = false;
};

LayerState state;

HandleArray<LayerRecord> Layers() {
  return HandleArray<LayerRecord>(state.layers);
}

struct NameDefaults {
  const char* word;
  int16_t symbol;
  int16_t colour;
  int16_t third;
};

constexpr NameDefaults kNameDefaults[] = {
    {"TEMPORARY", 212, 1, 3}, {"FACILITIES", 100, 1, 3}, {"HOSPITALS", 54, 15, 3},
    {"SCHOOLS", 51, 1, 3},    {"ZEPHA", 177, 14, 3},
};

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool FileInFolderExists(int16_t volume, int32_t dirID, const char* name) {
  std::string path;
  if (dirID < 0 || MakeFullPath(volume, dirID, name, path) != 0) return false;
  return FileExists(path) || FileExists(path + ";1");
}

// Appends loaded records: "Temporary Layer" takes the current name, a second Temporary Overlay
// and names already listed are dropped.
int32_t AppendLoadedLayers(std::vector<LayerRecord>& loaded, const char* caller) {
  if (EnsureLayerList() != 0) {
    ReportError(caller, "MyNewHandle()", MyMemError());
    return -1;
  }
  const std::string temporary = TemporaryLayerName();
  for (LayerRecord& layer : loaded) {
    if (CollateEqual(FieldText(layer.name), kOldTemporaryName)) {
      CopyToField(layer.name, temporary);
    }
    if (LayerNameToIndex(FieldText(layer.name)) >= 0) continue;
    NormaliseLoadedLayer(layer);
    if (Layers().Append(layer) != 0) {
      ReportError(caller, "MySetHandleSize()", MyMemError());
      return -1;
    }
  }
  return 0;
}

void SortCopy(std::vector<LayerRecord>& records) {
  std::stable_sort(records.begin(), records.end(), [](const LayerRecord& a, const LayerRecord& b) {
    return CollateCompare(a.name, b.name, kLayerNameSize, false) < 0;
  });
}

int32_t CopyOut(const std::vector<LayerRecord>& records, Handle& sorted, const char* caller) {
  sorted = MyNewHandle(static_cast<int32_t>(records.size() * sizeof(LayerRecord)));
  if (sorted == nullptr) {
    ReportError(caller, "MyNewHandle()", MyMemError());
    return -1;
  }
  HandleArray<LayerRecord> out(sorted);
  for (size_t i = 0; i < records.size(); ++i) out.Set(static_cast<int32_t>(i), records[i]);
  return 0;
}

std::vector<LayerRecord> ListCopy() {
  std::vector<LayerRecord> records;
  const HandleArray<LayerRecord> layers = Layers();
  records.reserve(static_cast<size_t>(layers.Count()));
  for (int32_t i = 0; i < layers.Count(); ++i) records.push_back(layers.Get(i));
  return records;
}

// Moves a list file that could not be read out of the way of the one about to be written, to
// the first free name of "NAME.bad", "NAME.bad2" ... "NAME.bad99" (the last is replaced when all
// are taken), so what it held stays on disk for the user or for support.
int32_t KeepRejectedFile(int16_t volume, int32_t dirID, const char* name) {
  std::string path;
  int32_t err = MakeFullPath(volume, dirID, name, path);
  if (err != 0) return err;
  std::string resolved;
  if (ResolvePath(path, resolved) != 0) return 0;  // gone already: nothing to keep
  std::string kept;
  for (int n = 1; n <= kRejectedFileNames; ++n) {
    kept = path + ".bad" + (n == 1 ? std::string() : std::to_string(n));
    if (!FileExists(kept)) break;
  }
  return RenameFile(resolved, kept);
}

// Writes a list file into the Settings folder, keeping a rejected one first.
int32_t WriteListFile(const char* name, bool& rejected, const std::vector<char>& bytes) {
  const CatalogueFolders& folders = CatalogueFolderIDs();
  if (rejected) {
    const int32_t err = KeepRejectedFile(folders.volume, folders.settings, name);
    if (err != 0) {
      ReportError("SaveLayers()", "hrename()", err);
      return err;
    }
    rejected = false;
  }
  const int32_t err =
      WriteFileContents(folders.volume, folders.settings, name, kCatalogueCreator, kLayersFileKind,
                        static_cast<int32_t>(bytes.size()), bytes.data());
  if (err != 0) ReportError("SaveLayers()", "WriteFileContents()", err);
  return err;
}

std::string MapNameLines(const std::vector<std::string>& names) {
  std::string lines;
  for (const std::string& name : names) {
    if (!lines.empty()) lines += "\n";
    lines += name;
  }
  return lines;
}

int32_t DeleteFileOf(const OverlayFileRecord& file, const char* extension) {
  std::string path;
  int32_t err = MakeFullPath(file.volume, file.dirID, FieldText(file.baseName) + extension, path);
  if (err != 0) return err;
  if (!FileExists(path) && FileExists(path + ";1")) path += ";1";
  return DeleteFile(path);
}

}  // namespace

int32_t EnsureLayerList() {
  if (state.layers != nullptr) return 0;
  state.layers = MyNewHandle(0);
  return state.layers == nullptr ? -1 : 0;
}

int32_t TakeLayerID() {
  return state.nextID++;
}

void ForgetLayerFiles(int32_t layerID) {
  CloseBufferedFiles();
  for (int32_t m = 0; m < MapCount(); ++m) {
    const int32_t f = OverlayFileIndexForID(m, layerID);
    if (f >= 0) RemoveOverlayFileRecord(m, f);
  }
}

void ReleaseAlternateFonts() {
  if (state.alternateFonts != nullptr) MyDisposeHandle(state.alternateFonts);
  state.alternateFonts = nullptr;
}

Handle LayerList() {
  return state.layers;
}

int32_t LayerCount() {
  return Layers().Count();
}

bool GetLayerRecord(int32_t index, LayerRecord& record) {
  if (index < 0 || index >= LayerCount()) return false;
  record = Layers().Get(index);
  return true;
}

bool SetLayerRecord(int32_t index, const LayerRecord& record) {
  if (index < 0 || index >= LayerCount()) return false;
  Layers().Set(index, record);
  return true;
}

std::string LayerName(int32_t index) {
  LayerRecord layer;
  if (!GetLayerRecord(index, layer)) return std::string();
  return FieldText(layer.name);
}

std::string TemporaryLayerName() {
  return MessageText(kMessageTemporaryOverlay);
}

bool IsTemporaryLayerName(std::string_view name) {
  return CollateEqual(name, TemporaryLayerName());
}

LayerRecord NewLayerRecord(std::string_view name, bool locked, bool deleteAtQuit) {
  LayerRecord layer;
  CopyToField(layer.name, name);
  const std::string upper = UpperCase(name);
  int16_t symbol = 212;
  int16_t colour = 1;
  int16_t third = 1;
  for (const NameDefaults& d : kNameDefaults) {
    if (upper.find(d.word) != std::string::npos) {
      symbol = d.symbol;
      colour = d.colour;
      third = d.third;
      break;
    }
  }
  const int16_t graphics[kDefaultGraphicsCount] = {symbol, colour, third, 1, 2, 3, 0, 1};
  std::memcpy(layer.graphics, graphics, sizeof graphics);
  layer.lockState = locked ? kLockedBit : 0;
  layer.deleteAtQuit = deleteAtQuit ? 1 : 0;
  return layer;
}

void NormaliseLoadedLayer(LayerRecord& layer) {
  layer.layerID = TakeLayerID();
  layer.marker = kLayerRecordMarker;
  layer.reservedValue = 0;
  layer.groupTag = 0;
  // Every overlay starts locked; the user or the configuration unlocks it.
  layer.lockState |= kLockedBit;
}

int32_t ReadLayers2PltFile(int16_t volume, int32_t dirID, const char* name,
                           std::vector<LayerRecord>& layers) {
  layers.clear();
  Handle bytes = nullptr;
  int32_t length = 0;
  int32_t err = ReadFileContents(volume, dirID, name, nullptr, length, &bytes, false);
  if (err != 0) return err;
  ScopedHandle owned(bytes);
  return DecodeLayers2(*bytes, length, layers);
}

int32_t LoadLayers() {
  Platform().SetMessageLine(MessageText(kMessageInitializingOverlays));
  ReleaseLayers();
  const CatalogueFolders& folders = CatalogueFolderIDs();
  std::vector<LayerRecord> loaded;
  std::vector<GroupRecord> groups;
  bool groupsRead = false;
  for (const int32_t dirID : {folders.settings, folders.program}) {
    if (!FileInFolderExists(folders.volume, dirID, kLayers2Name)) continue;
    // Only the Settings folder's files are ever written over.
    const bool settingsFolder = dirID == folders.settings;
    const int32_t err = ReadLayers2PltFile(folders.volume, dirID, kLayers2Name, loaded);
    if (err != 0) {
      ReportFileContentsError("LoadLayers()", err, folders.volume, dirID, kLayers2Name);
      loaded.clear();
      if (settingsFolder) {
        // The group list beside it belongs to the rejected list and is never read now, so it
        // is kept with it.
        state.layersRejected = true;
        state.groupsRejected = FileInFolderExists(folders.volume, dirID, kGroupsName);
      }
      continue;
    }
    if (FileInFolderExists(folders.volume, dirID, kGroupsName)) {
      const int32_t groupErr = ReadGroupPltFile(folders.volume, dirID, kGroupsName, groups);
      if (groupErr != 0) {
        ReportFileContentsError("LoadLayers()", groupErr, folders.volume, dirID, kGroupsName);
        groups.clear();
        if (settingsFolder) state.groupsRejected = true;
      } else {
        groupsRead = true;
      }
    }
    break;
  }
  if (AppendLoadedLayers(loaded, "LoadLayers()") != 0) return -1;
  if (LayerNameToIndex(TemporaryLayerName()) < 0) {
    std::string name = TemporaryLayerName();
    int32_t position = -1;
    if (AddLayer(name, false, true, true, position) != 0) return -1;
  }
  if (groupsRead && SetGroups(groups) != 0) {
    ReportError("LoadLayers()", "MyNewHandle()", MyMemError());
    return -1;
  }
  CheckGroups();
  SortGroups();
  RebuildLayerIDIndex();
  InstallOverlayCatalogueAccess();
  state.loaded = true;
  return 0;
}

int32_t SaveLayers() {
  const CatalogueFolders& folders = CatalogueFolderIDs();
  if (folders.settings < 0) return kErrGeneral;
  const HandleArray<LayerRecord> layers = Layers();
  std::vector<char> bytes(static_cast<size_t>(layers.Count()) * kLayers2RecordSize);
  for (int32_t i = 0; i < layers.Count(); ++i) {
    char record[kLayers2RecordSize];
    EncodeLayers2Record(layers.Get(i), record);
    std::memcpy(bytes.data() + static_cast<size_t>(i) * kLayers2RecordSize, record, sizeof record);
  }
  const int32_t err = WriteListFile(kLayers2Name, state.layersRejected, bytes);
  if (err != 0) return err;
  if (!GroupsLoaded()) return 0;
  std::vector<char> groupBytes(static_cast<size_t>(GroupCount()) * kGroupFileRecordSize);
  for (int32_t i = 0; i < GroupCount(); ++i) {
    GroupRecord group;
    GetGroupRecord(i, group);
    char record[kGroupFileRecordSize];
    EncodeGroupRecord(group, record);
    std::memcpy(groupBytes.data() + static_cast<size_t>(i) * kGroupFileRecordSize, record,
                sizeof record);
  }
  return WriteListFile(kGroupsName, state.groupsRejected, groupBytes);
}

void ReleaseLayers() {
  if (state.layers != nullptr) MyDisposeHandle(state.layers);
  state.layers = nullptr;
  state.layersRejected = false;
  state.groupsRejected = false;
  state.idIndex.clear();
  state.indexedCount = -1;
  state.loaded = false;
  ReleaseGroups();
}

bool LayersLoaded() {
  return state.loaded;
}

int32_t AddLayer(std::string& name, bool atFront, bool locked, bool deleteAtQuit,
                 int32_t& position) {
  position = -1;
  std::string wanted = name.substr(0, kLayerNameSize - 1);
  if (LayerNameToIndex(wanted) >= 0) {
    std::string base = wanted;
    if (base.size() > kSuffixBaseLength - 1) base.resize(kSuffixBaseLength);
    std::string found;
    for (int suffix = 2; suffix <= 9 && found.empty(); ++suffix) {
      const std::string candidate = base + " " + std::to_string(suffix);
      if (LayerNameToIndex(candidate) < 0) found = candidate;
    }
    if (found.empty()) {
      ShowAlert(FormatTextV(MessageText(kMessageTooManyLayers).c_str(), wanted.c_str()),
                kCautionAlert);
      return -1;
    }
    wanted = found;
  }
  if (EnsureLayerList() != 0) {
    ReportError("AddLayer()", "MySetHandleSize()", MyMemError());
    return -1;
  }
  LayerRecord layer = NewLayerRecord(wanted, locked, deleteAtQuit);
  layer.layerID = state.nextID;
  HandleArray<LayerRecord> layers = Layers();
  const int32_t at = atFront ? 0 : layers.Count();
  if (layers.Insert(at, layer) != 0) {
    ReportError("AddLayer()", "MySetHandleSize()", MyMemError());
    return -1;
  }
  ++state.nextID;
  name = wanted;
  position = at;
  RebuildLayerIDIndex();
  return 0;
}

int32_t DeleteLayer(Handle list, int32_t position, int32_t mapRange, bool deleteFiles,
                    bool tellLockedMaps, LayerRecordFate fate) {
  HandleArray<LayerRecord> layers(list);
  if (position < 0 || position >= layers.Count()) return kErrGeneral;
  const LayerRecord layer = layers.Get(position);
  std::vector<std::string> lockedMaps;
  if (deleteFiles) {
    const CatalogueHooks& hooks = CatalogueHooksInUse();
    if (hooks.forgetLayerObjects != nullptr) hooks.forgetLayerObjects(layer.layerID);
    CloseBufferedFiles();
    bool deletedObjects = false;
    const int32_t first = mapRange < 0 ? 0 : mapRange;
    const int32_t last = mapRange < 0 ? MapCount() - 1 : mapRange;
    for (int32_t m = first; m <= last; ++m) {
      MapRecord map;
      if (!GetMapRecord(m, map)) continue;
      const int32_t f = OverlayFileIndexForID(m, layer.layerID);
      if (f < 0) continue;
      OverlayFileRecord file;
      GetOverlayFileRecord(m, f, file);
      // A locked map's files are never written; only the catalogue forgets them.
      if (!map.locked) {
        for (const char* extension : {".LYR", ".SUM", ".OBJ"}) {
          const int32_t err = DeleteFileOf(file, extension);
          if (err != 0) {
            ReportError("DeleteLayer()", "hdelete()", err);
            return err;
          }
        }
        DeleteFileOf(file, ".SM2");
        DeleteFileOf(file, ".NNX");
        if (file.objectCount > 0) deletedObjects = true;
      } else {
        lockedMaps.push_back(FieldText(map.name));
      }
      RemoveOverlayFileRecord(m, f);
    }
    if (deletedObjects &&
        LayerVisibleAtScale(layer, hooks.currentScale ? hooks.currentScale() : -1)) {
      if (hooks.redraw != nullptr) hooks.redraw();
    }
    layers = HandleArray<LayerRecord>(list);
  }
  const bool keep = deleteFiles && fate == LayerRecordFate::kKeep;
  if (!keep) layers.Remove(position);
  if (list == state.layers) {
    if (!keep) RebuildLayerIDIndex();
    // Undo could reach for objects whose overlay or files are gone.
    if (CatalogueHooksInUse().clearUndo != nullptr) CatalogueHooksInUse().clearUndo();
  }
  if (tellLockedMaps && !lockedMaps.empty()) {
    // Silence here would let the overlay return at the next start as if it had never gone.
    ShowAlert(FormatTextV(kLockedMapsKeepDeletedLayer, FieldText(layer.name).c_str(),
                          MapNameLines(lockedMaps).c_str()),
              kCautionAlert);
  }
  return 0;
}

int32_t AppendAdditionalLayersFromLayers2PltFile(int16_t volume, int32_t dirID, const char* name) {
  std::vector<LayerRecord> loaded;
  const int32_t err = ReadLayers2PltFile(volume, dirID, name, loaded);
  if (err != 0) {
    ReportFileContentsError("AppendAdditionalLayersFromLayers2PltFile()", err, volume, dirID, name);
    return err;
  }
  const int32_t result = AppendLoadedLayers(loaded, "AppendAdditionalLayersFromLayers2PltFile()");
  RebuildLayerIDIndex();
  return result;
}

void RebuildLayerIDIndex() {
  const HandleArray<LayerRecord> layers = Layers();
  state.idIndex.assign(static_cast<size_t>(std::max(state.nextID - kFirstLayerID, 0)), -1);
  for (int32_t i = 0; i < layers.Count(); ++i) {
    const int64_t slot = static_cast<int64_t>(layers.Get(i).layerID) - kFirstLayerID;
    if (slot >= 0 && slot < static_cast<int64_t>(state.idIndex.size())) {
      state.idIndex[static_cast<size_t>(slot)] = i;
    }
  }
  state.indexedCount = layers.Count();
}

int32_t LayerIDToIndex(int32_t layerID) {
  const HandleArray<LayerRecord> layers = Layers();
  const int32_t count = layers.Count();
  if (state.indexedCount == count) {
    const int64_t slot = static_cast<int64_t>(layerID) - kFirstLayerID;
    if (slot >= 0 && slot < static_cast<int64_t>(state.idIndex.size())) {
      const int32_t position = state.idIndex[static_cast<size_t>(slot)];
      if (position >= 0 && position < count && layers.Get(position).layerID == layerID) {
        return position;
      }
    }
  }
  for (int32_t i = 0; i < count; ++i) {
    if (layers.Get(i).layerID == layerID) return i;
  }
  return -1;
}

int32_t LayerNameToIndex(std::string_view name) {
  const HandleArray<LayerRecord> layers = Layers();
  const int32_t count = layers.Count();
  for (int32_t i = 0; i < count; ++i) {
    const LayerRecord layer = layers.Get(i);
    if (CollateCompare(std::string_view(layer.name, strnlen(layer.name, kLayerNameSize)), name) ==
        0) {
      return i;
    }
  }
  return -1;
}

int32_t NextLayerIDCounter() {
  return state.nextID;
}

bool LayerVisibleAtScale(const LayerRecord& layer, int32_t scale) {
  return LayerShownAtScale(layer, scale);
}

bool LayerVisibleNow(int32_t index) {
  return IsLayerShown(index);
}

int64_t LayerObjectCount(int32_t layerID) {
  int64_t total = 0;
  for (int32_t m = 0; m < MapCount(); ++m) {
    MapRecord map;
    GetMapRecord(m, map);
    const HandleArray<OverlayFileRecord> files(map.overlayFiles);
    for (int32_t f = 0; f < files.Count(); ++f) {
      const OverlayFileRecord file = files.Get(f);
      if (file.overlayID == layerID && file.objectCount > 0) total += file.objectCount;
    }
  }
  return total;
}

int32_t SortLayersByName(Handle& sorted) {
  std::vector<LayerRecord> records = ListCopy();
  SortCopy(records);
  return CopyOut(records, sorted, "SortLayersByName()");
}

int32_t SortLayersByShownPlusName(Handle& sorted, int32_t& shownCount) {
  std::vector<LayerRecord> shown;
  std::vector<LayerRecord> hidden;
  for (int32_t i = 0; i < LayerCount(); ++i) {
    (LayerVisibleNow(i) ? shown : hidden).push_back(Layers().Get(i));
  }
  SortCopy(shown);
  SortCopy(hidden);
  shownCount = static_cast<int32_t>(shown.size());
  shown.insert(shown.end(), hidden.begin(), hidden.end());
  return CopyOut(shown, sorted, "SortLayersByShownPlusName()");
}

int32_t SortLayersByUnlockedPlusName(int32_t exceptLayerID, Handle& sorted,
                                     int32_t& unlockedCount) {
  std::vector<LayerRecord> unlocked;
  std::vector<LayerRecord> rest;
  for (const LayerRecord& layer : ListCopy()) {
    (layer.lockState == 0 && layer.layerID != exceptLayerID ? unlocked : rest).push_back(layer);
  }
  SortCopy(unlocked);
  SortCopy(rest);
  unlockedCount = static_cast<int32_t>(unlocked.size());
  unlocked.insert(unlocked.end(), rest.begin(), rest.end());
  return CopyOut(unlocked, sorted, "SortLayersByUnlockedPlusName()");
}

int32_t AddAlternateFont(std::string_view fontName) {
  struct FontName {
    char name[kAlternateFontNameSize];
  };
  if (state.alternateFonts == nullptr) {
    state.alternateFonts = MyNewHandle(0);
    if (state.alternateFonts == nullptr) return -1;
  }
  HandleArray<FontName> fonts(state.alternateFonts);
  FontName entry;
  CopyToField(entry.name, fontName);
  // Symbol drawing asks for the same font again and again; one entry per name is enough.
  for (int32_t i = 0; i < fonts.Count(); ++i) {
    if (FieldText(fonts.Get(i).name) == FieldText(entry.name)) return i;
  }
  if (fonts.Append(entry) != 0) return -1;
  return fonts.Count() - 1;
}

int32_t AlternateFontCount() {
  if (state.alternateFonts == nullptr) return 0;
  return MyGetHandleSize(state.alternateFonts) / kAlternateFontNameSize;
}

std::string AlternateFontName(int32_t index) {
  if (index < 0 || index >= AlternateFontCount()) return std::string();
  return FieldText(*state.alternateFonts + static_cast<size_t>(index) * kAlternateFontNameSize,
                   kAlternateFontNameSize);
}

void InstallOverlayCatalogueAccess() {
  OverlayCatalogueAccess access;
  access.count = LayerCount;
  access.overlayIDAt = [](int32_t index) -> int32_t {
    LayerRecord layer;
    return GetLayerRecord(index, layer) ? layer.layerID : 0;
  };
  access.visibleAt = LayerVisibleNow;
  SetOverlayCatalogueAccess(access);
}

void ResetLayersForTesting() {
  ReleaseLayers();
  ReleaseAlternateFonts();
  state = LayerState();
}

}  // namespace tlv
