#include "catalogue/display_settings.h"

#include <cstring>

#include "base/endian.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/memory.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layers.h"
#include "store/directory_table.h"
#include "store/file_contents.h"

namespace tlv {

namespace {

constexpr int kMessageNoUnlockedLayer = 151;
constexpr int kMessageGraphicsOverride = 566;
constexpr int kMessageRangeScalesChanged = 606;
constexpr int kMessageNamesScaleChanged = 607;
constexpr int kMessageDotsScaleChanged = 608;
constexpr const char* kBadFormatText = "The file \"%s\" is not of the right format.";

// Positions of the fields a defaults record gives, in the LAYERS2.PLT layout.
constexpr int32_t kDefaultsModeOffset = 36;
constexpr int32_t kDefaultsScalesOffset = 38;
constexpr int32_t kDefaultsGraphicsOffset = 58;
constexpr int32_t kDefaultsOverrideOffset = 74;
constexpr int32_t kDefaultsThematicOffset = 84;

enum ScaleIndex { kZoomedIn = 0, kZoomedOut = 1, kNamesScale = 2, kDotsScale = 3 };

struct DisplayState {
  bool someLayerUnlocked = false;
  Handle lnxFiles = nullptr;  // LnxFileEntry records
  void (*refreshViewMenu)() = nullptr;
};

DisplayState state;

HandleArray<LnxFileEntry> LnxFiles() {
  return HandleArray<LnxFileEntry>(state.lnxFiles);
}

LnxFile Unpack(const LnxFileEntry& entry) {
  LnxFile file;
  file.fileName = FieldText(entry.fileName);
  std::memcpy(&file.volume, entry.volume, sizeof file.volume);
  std::memcpy(&file.dirID, entry.dirID, sizeof file.dirID);
  file.description = FieldText(entry.description);
  return file;
}

bool FileInFolderExists(int16_t volume, int32_t dirID, const std::string& name) {
  std::string path;
  if (dirID < 0 || name.empty() || MakeFullPath(volume, dirID, name, path) != 0) return false;
  return FileExists(path) || FileExists(path + ";1");
}

// The size of a file, or -1 when it cannot be had.
int32_t FileSizeInFolder(int16_t volume, int32_t dirID, const char* name) {
  std::string path;
  if (dirID < 0 || MakeFullPath(volume, dirID, name, path) != 0) return -1;
  PlatformFile file;
  if (OpenFile(path, FileAccess::kRead, file) != 0) {
    if (OpenFile(path + ";1", FileAccess::kRead, file) != 0) return -1;
  }
  int32_t length = -1;
  if (file.GetLength(length) != 0) return -1;
  return length;
}

bool DefaultsFileUsable(int32_t dirID) {
  const int32_t size = FileSizeInFolder(CatalogueFolderIDs().volume, dirID, kDefaultsFileName);
  return size >= 0 && size % kLayers2RecordSize == 0;
}

// The map view's scale through the catalogue's hook; -1 without one.
int32_t CurrentScale() {
  const CatalogueHooks& hooks = CatalogueHooksInUse();
  return hooks.currentScale != nullptr ? hooks.currentScale() : -1;
}

bool ScalesValid(const int32_t (&scales)[4]) {
  for (int32_t scale : scales) {
    if (scale <= 0) return false;
  }
  return true;
}

}  // namespace

bool LayerShownAtScale(const LayerRecord& layer, int32_t scale) {
  switch (layer.displayMode) {
    case kDisplayHide:
      return false;
    case kDisplayRange:
      // Without a view there is no scale to compare with, as for the overlay catalogue's walks.
      return scale < 0 || (layer.scales[kZoomedIn] < scale && scale < layer.scales[kZoomedOut]);
    default:
      return true;
  }
}

bool LayerNamesShownAtScale(const LayerRecord& layer, int32_t scale) {
  if (!LayerShownAtScale(layer, scale)) return false;
  return layer.displayMode == kDisplayShowNames || layer.scales[kNamesScale] >= scale;
}

bool LayerDotsAtScale(const LayerRecord& layer, int32_t scale) {
  return LayerShownAtScale(layer, scale) && scale >= layer.scales[kDotsScale];
}

bool IsLayerShown(int32_t index) {
  LayerRecord layer;
  return GetLayerRecord(index, layer) && LayerShownAtScale(layer, CurrentScale());
}

bool AreNamesShown(int32_t index, int32_t scale) {
  LayerRecord layer;
  return GetLayerRecord(index, layer) && LayerNamesShownAtScale(layer, scale);
}

bool AreSymbolsDots(int32_t index, int32_t scale) {
  LayerRecord layer;
  return GetLayerRecord(index, layer) && LayerDotsAtScale(layer, scale);
}

void ShowLayer(int32_t index) {
  LayerRecord layer;
  if (!GetLayerRecord(index, layer) || LayerShownAtScale(layer, CurrentScale())) return;
  layer.displayMode = kDisplayShow;
  SetLayerRecord(index, layer);
  const CatalogueHooks& hooks = CatalogueHooksInUse();
  if (hooks.redraw != nullptr) hooks.redraw();
  if (state.refreshViewMenu != nullptr) state.refreshViewMenu();
}

void SetShowLayerMenuHook(void (*refreshViewMenu)()) {
  state.refreshViewMenu = refreshViewMenu;
}

bool AnyLayerUnlocked() {
  state.someLayerUnlocked = false;
  LayerRecord layer;
  for (int32_t i = 0; GetLayerRecord(i, layer); ++i) {
    if (layer.lockState == 0) {
      state.someLayerUnlocked = true;
      break;
    }
  }
  return state.someLayerUnlocked;
}

bool SomeLayerUnlocked() {
  return state.someLayerUnlocked;
}

int32_t SetLayerLocked(int32_t index, bool locked) {
  LayerRecord layer;
  if (!GetLayerRecord(index, layer)) return kErrGeneral;
  layer.lockState = locked ? (layer.lockState | kLockedBit) : (layer.lockState & ~kLockedBit);
  SetLayerRecord(index, layer);
  AnyLayerUnlocked();
  return 0;
}

bool CheckUnlockedLayerForAdd() {
  if (state.someLayerUnlocked) return true;
  ShowAlert(MessageText(kMessageNoUnlockedLayer), kStopAlert);
  return false;
}

bool NoteGraphicsOverride(int32_t layerIndex) {
  LayerRecord layer;
  if (!GetLayerRecord(layerIndex, layer) || layer.graphicsOverride != 1) return false;
  ShowAlert(MessageText(kMessageGraphicsOverride), kNoteAlert);
  return true;
}

int32_t ConfirmScaleRanges(int32_t index, const int32_t (&oldScales)[4],
                           const int32_t (&newScales)[4]) {
  LayerRecord layer;
  if (!GetLayerRecord(index, layer) || !ScalesValid(newScales)) return kErrGeneral;
  const int32_t mode = layer.displayMode;
  const bool rangeChanged = oldScales[kZoomedIn] != newScales[kZoomedIn] ||
                            oldScales[kZoomedOut] != newScales[kZoomedOut];
  if (rangeChanged && mode != kDisplayRange) {
    ShowAlert(MessageText(kMessageRangeScalesChanged), kCautionAlert);
  }
  if (oldScales[kNamesScale] != newScales[kNamesScale] && mode != kDisplayShow &&
      mode != kDisplayRange) {
    ShowAlert(MessageText(kMessageNamesScaleChanged), kCautionAlert);
  }
  if (oldScales[kDotsScale] != newScales[kDotsScale] && mode == kDisplayHide) {
    ShowAlert(MessageText(kMessageDotsScaleChanged), kCautionAlert);
  }
  std::memcpy(layer.scales, newScales, sizeof layer.scales);
  SetLayerRecord(index, layer);
  return 0;
}

int32_t AddLnxFile(int16_t volume, int32_t dirID, std::string_view fileName,
                   std::string_view description) {
  if (state.lnxFiles == nullptr) {
    state.lnxFiles = MyNewHandle(0);
    if (state.lnxFiles == nullptr) return kErrGeneral;
  }
  LnxFileEntry entry{};
  CopyToField(entry.fileName, fileName);
  std::memcpy(entry.volume, &volume, sizeof volume);
  std::memcpy(entry.dirID, &dirID, sizeof dirID);
  CopyToField(entry.description, description);
  const std::string name = FieldText(entry.fileName);

  HandleArray<LnxFileEntry> files = LnxFiles();
  for (int32_t i = 0; i < files.Count(); ++i) {
    const LnxFile old = Unpack(files.Get(i));
    if (old.fileName.empty() ||
        (old.fileName == name && old.volume == volume && old.dirID == dirID)) {
      files.Set(i, entry);
      return 0;
    }
  }
  return files.Append(entry) == 0 ? 0 : kErrGeneral;
}

int32_t LnxFileCount() {
  return LnxFiles().Count();
}

bool GetLnxFile(int32_t index, LnxFile& entry) {
  const HandleArray<LnxFileEntry> files = LnxFiles();
  if (index < 0 || index >= files.Count()) return false;
  entry = Unpack(files.Get(index));
  return true;
}

void RemoveMissingLnxFiles() {
  HandleArray<LnxFileEntry> files = LnxFiles();
  for (int32_t i = files.Count() - 1; i >= 0; --i) {
    const LnxFile entry = Unpack(files.Get(i));
    if (!FileInFolderExists(entry.volume, entry.dirID, entry.fileName)) files.Remove(i);
  }
}

bool HasLayerDefaults() {
  const CatalogueFolders& folders = CatalogueFolderIDs();
  if (DefaultsFileUsable(folders.settings) || DefaultsFileUsable(folders.program)) return true;
  RemoveMissingLnxFiles();
  return LnxFileCount() > 0;
}

int32_t ApplyLayerDefaults() {
  int32_t firstError = 0;
  auto apply = [&firstError](int16_t volume, int32_t dirID, const char* name) {
    const int32_t err = ApplyDefaultsFile(volume, dirID, name);
    if (err != 0 && err != kDefaultsBadFormat && err != kDefaultsNoFile) {
      ReportError("ApplyLayerDefaults()", "ApplyDefaultsFile()", err);
      if (firstError == 0) firstError = err;
    }
    return err;
  };
  RemoveMissingLnxFiles();
  for (int32_t i = 0; i < LnxFileCount(); ++i) {
    LnxFile entry;
    GetLnxFile(i, entry);
    if (apply(entry.volume, entry.dirID, entry.fileName.c_str()) == kDefaultsNoFile) break;
  }
  const CatalogueFolders& folders = CatalogueFolderIDs();
  if (folders.program >= 0) apply(folders.volume, folders.program, kDefaultsFileName);
  if (folders.settings >= 0 && folders.settings != folders.program) {
    apply(folders.volume, folders.settings, kDefaultsFileName);
  }
  return firstError;
}

int32_t ApplyDefaultsFile(int16_t volume, int32_t dirID, const char* fileName) {
  if (!FileInFolderExists(volume, dirID, fileName)) return kDefaultsNoFile;
  Handle bytes = nullptr;
  int32_t length = 0;
  int32_t err = ReadFileContents(volume, dirID, fileName, nullptr, length, &bytes, false);
  if (err == kErrFileNotFound) return kDefaultsNoFile;
  if (err != 0) return err;
  if (length % kLayers2RecordSize != 0) {
    MyDisposeHandle(bytes);
    return kDefaultsBadFormat;
  }
  const int32_t temporary = LayerNameToIndex(TemporaryLayerName());
  err = 0;
  for (int32_t offset = 0; offset < length; offset += kLayers2RecordSize) {
    const char* record = *bytes + offset;
    int32_t scales[4];
    for (int32_t k = 0; k < 4; ++k) scales[k] = GetBig32(record + kDefaultsScalesOffset + 4 * k);
    if (std::memchr(record, 0, kLayerNameSize) == nullptr || !ScalesValid(scales)) {
      std::string path;
      MakeFullPath(volume, dirID, fileName, path);
      ShowAlert(FormatText(kBadFormatText, path.c_str()), kStopAlert);
      err = kDefaultsBadFormat;
      break;
    }
    const int32_t index = LayerNameToIndex(record);
    LayerRecord layer;
    if (index < 0 || index == temporary || !GetLayerRecord(index, layer)) continue;
    layer.displayMode = static_cast<uint8_t>(GetBig16(record + kDefaultsModeOffset));
    std::memcpy(layer.scales, scales, sizeof layer.scales);
    for (int32_t k = 0; k < kDefaultGraphicsCount; ++k) {
      layer.graphics[k] = GetBig16(record + kDefaultsGraphicsOffset + 2 * k);
    }
    layer.graphicsOverride = GetBig16(record + kDefaultsOverrideOffset);
    for (int32_t k = 0; k < 3; ++k) {
      layer.thematic[k] = static_cast<uint8_t>(record[kDefaultsThematicOffset + k]);
    }
    SetLayerRecord(index, layer);
  }
  MyDisposeHandle(bytes);
  return err;
}

void ResetDisplaySettingsForTesting() {
  if (state.lnxFiles != nullptr) MyDisposeHandle(state.lnxFiles);
  state = DisplayState();
}

}  // namespace tlv
