// Overlays, maps and the legend managed by sibling programs.
#include "iac/overlay_messages.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <new>
#include <utility>

#include "base/collate.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/memory.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/groups.h"
#include "catalogue/layer_order.h"
#include "catalogue/layers.h"
#include "catalogue/legend.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "edit/edit_targets.h"
#include "iac/friends.h"
#include "iac/iac.h"
#include "iac/message_params.h"
#include "iac/object_messages.h"
#include "iac/thematic_lists.h"
#include "store/directory_table.h"
#include "store/file_contents.h"
#include "store/object_record.h"

namespace tlv {

namespace {

namespace fs = std::filesystem;

constexpr int32_t kOverlayNameRoom = 31;
constexpr int32_t kMapNameRoom = 41;
constexpr int32_t kAttributeRoom = 255;
constexpr int32_t kOptionRoom = 255;
constexpr int32_t kMapOptionRoom = 256;
constexpr int32_t kSignatureRoom = 4;
constexpr int32_t kPathRoom = 255;
constexpr int32_t kExcludedRoom = 1023;
constexpr int32_t kOneCharacter = 1;
// Ticks of the program clock per second.
constexpr double kTicksPerSecond = 60.0;

constexpr const char* kMapTiming = "MPConfig Diagnostic: MAP message took %.2f seconds";
constexpr const char* kRemoveMapTiming = "MPConfig Diagnostic: RMAP message took %.2f seconds";

struct OverlayMessageState {
  OverlayMessageHooks hooks;
};

OverlayMessageState state;

// --- Parameters ---

using iac_params::Answer;
using iac_params::Contains;
using iac_params::HasParam;
using iac_params::LongParam;
using iac_params::Param;
using iac_params::RequiredParam;

void OverlayListChanged() {
  if (state.hooks.overlayListChanged) state.hooks.overlayListChanged();
}

bool LegendShownNow() {
  return state.hooks.legendShown && state.hooks.legendShown();
}

void SetLegendShownNow(bool shown) {
  if (state.hooks.setLegendShown) state.hooks.setLegendShown(shown);
}

void NoteTiming(const char* format, uint32_t startTicks) {
  if (!state.hooks.timeMapMessages || !state.hooks.timeMapMessages()) return;
  const uint32_t elapsed = Platform().TickCount() - startTicks;
  ShowAlert(FormatText(format, static_cast<double>(elapsed) / kTicksPerSecond), kNoteAlert);
}

// "OVL!": whether the overlay exists and its ID.
int32_t AnswerOverlay(bool found, int32_t layerID) {
  const std::string id = found ? std::to_string(layerID) : std::string();
  const IACParam answer[] = {
      {"ANSR", kIACTextKind, found ? "Y" : "N", 0},
      {"OVID", kIACTextKind, id.c_str(), 0},
      {"ATBS", kIACTextKind, "", 0},
      {"", 0, nullptr, 0},
  };
  return Answer("OVL!", answer);
}

// A map folder path as the sibling wrote it: its own separators, a trailing one added.
std::string MapFolderOfLine(std::string_view line) {
  std::string folder(line);
  std::replace(folder.begin(), folder.end(), '\\', '/');
  return WithTrailingSlash(folder);
}

bool IsDecimalDigit(char c) {
  return c >= '0' && c <= '9';
}

// A hexadecimal digit as the entry lines write it (upper-case letters); 0 otherwise.
int16_t HexDigitValue(char c) {
  if (IsDecimalDigit(c)) return static_cast<int16_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<int16_t>(c - 'A' + 10);
  return 0;
}

// Three decimal digits at the start of text, a colour component (0 for anything else).
uint8_t ColourComponent(std::string_view text) {
  if (text.size() < 3) return 0;
  int32_t value = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (!IsDecimalDigit(text[i])) return 0;
    value = value * 10 + (text[i] - '0');
  }
  return static_cast<uint8_t>(std::min(value, 255));
}

}  // namespace

void SetOverlayMessageHooks(OverlayMessageHooks hooks) {
  state.hooks = std::move(hooks);
}

// --- The option words of "SLAT" ---

bool ScaleAfterKeyword(std::string_view words, std::string_view keyword, int32_t& scale) {
  const size_t at = words.find(keyword);
  if (at == std::string_view::npos) return false;
  size_t i = at + keyword.size();
  while (i < words.size() && (words[i] == ' ' || words[i] == ',' || words[i] == '\t')) ++i;
  if (i >= words.size() || !IsDecimalDigit(words[i])) return false;
  // Digits past the largest scale only keep it there: a long number never wraps round.
  int64_t value = 0;
  for (; i < words.size() && IsDecimalDigit(words[i]); ++i) {
    value = std::min<int64_t>(value * 10 + (words[i] - '0'), int64_t{kLargestLayerScale} + 1);
  }
  scale = static_cast<int32_t>(std::clamp<int64_t>(value, kSmallestLayerScale, kLargestLayerScale));
  return true;
}

bool ApplyLayerAttributeWords(std::string_view words, LayerRecord& layer) {
  bool owned = (layer.lockState & kOwnedBit) != 0;
  bool locked = (layer.lockState & kLockedBit) != 0;
  if (Contains(words, "APPOWNED")) {
    owned = true;
  } else if (Contains(words, "TOLVANEOWNED")) {
    owned = false;
  }
  if (Contains(words, "LOCKEDYES")) {
    locked = true;
  } else if (Contains(words, "LOCKEDNO") || Contains(words, "UNLOCKED")) {
    locked = false;
  }
  layer.lockState = (owned ? kOwnedBit : 0) + (locked ? kLockedBit : 0);
  // Every message decides it: a sibling that says nothing forbids deleting its objects again.
  if (Contains(words, "DELETEOK") || Contains(words, "DELETEYES")) {
    layer.flags &= ~kNoDeleteFlag;
  } else {
    layer.flags |= kNoDeleteFlag;
  }
  if (Contains(words, "TEMPORARY")) layer.deleteAtQuit = 1;
  if (Contains(words, "PERMANENT")) layer.deleteAtQuit = 0;

  bool drawnDifferently = false;
  int16_t graphicsOverride = layer.graphicsOverride;
  if (Contains(words, "INDIVIDUAL")) graphicsOverride = 0;
  if (Contains(words, "COMMON")) graphicsOverride = 1;
  if (graphicsOverride != layer.graphicsOverride) {
    layer.graphicsOverride = graphicsOverride;
    drawnDifferently = true;
  }
  uint8_t mode = layer.displayMode;
  const std::pair<const char*, uint8_t> modes[] = {
      {"SHOWNAMESMODE", kDisplayShowNames},
      {"SHOWMODE", kDisplayShow},
      {"RANGEMODE", kDisplayRange},
      {"HIDEMODE", kDisplayHide},
  };
  for (const auto& [word, value] : modes) {
    if (Contains(words, word)) mode = value;
  }
  if (mode != layer.displayMode) {
    layer.displayMode = mode;
    drawnDifferently = true;
  }
  // The record's order: most zoomed-in, most zoomed-out, names, dots.
  const std::pair<const char*, int32_t> scales[] = {
      {"NAMESSCALE", 2},
      {"LOVISSCALE", 0},
      {"HIVISSCALE", 1},
      {"DOTSSCALE", 3},
  };
  for (const auto& [word, slot] : scales) {
    int32_t scale = 0;
    if (!ScaleAfterKeyword(words, word, scale)) continue;
    if (layer.scales[slot] != scale) {
      layer.scales[slot] = scale;
      drawnDifferently = true;
    }
  }
  return drawnDifferently;
}

// --- The options of "MAP " ---

MapOwnership MapOwnershipFromOptions(std::string_view options) {
  MapOwnership ownership;
  if (Contains(options, "OWNEDNO")) {
    ownership.owned = false;
    std::fill(std::begin(ownership.policies), std::end(ownership.policies), int16_t{0});
  } else {
    const char* policies[] = {"DELETE", "MOVEMAP", "MOVELAYER", "DRAG", "ADD"};
    for (size_t p = 0; p < std::size(policies); ++p) {
      const std::string word = policies[p];
      if (Contains(options, word + "NO")) ownership.policies[p] = 1;
      if (Contains(options, word + "YES") || Contains(options, word + "OK")) {
        ownership.policies[p] = 2;
      }
      if (Contains(options, word + "ALERT")) ownership.policies[p] = 3;
    }
  }
  if (Contains(options, "UNIVERSALNO")) ownership.universal = 'N';
  if (Contains(options, "UNIVERSALYES")) ownership.universal = 'Y';
  ownership.remember = !Contains(options, "XTRAMAPSNO");
  return ownership;
}

// --- The lines of "LGND" ---

std::vector<std::string_view> MessageLines(std::string_view text, bool keepEmpty) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start || keepEmpty) lines.push_back(text.substr(start, end - start));
    // CR LF ends one line.
    start = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
  }
  return lines;
}

LayerRecord LegendEntryFromLine(std::string_view line) {
  LayerRecord entry;
  std::fill(std::begin(entry.scales), std::end(entry.scales), 0);
  std::fill(std::begin(entry.graphics), std::end(entry.graphics), int16_t{0});
  entry.displayMode = 0;
  entry.marker = kLayerRecordMarker;
  const size_t tab = line.find('\t');
  CopyToField(entry.name, line.substr(0, std::min<size_t>(tab, kOverlayNameRoom)));
  if (tab == std::string_view::npos) return entry;
  const std::string_view code = line.substr(tab + 1);
  auto at = [&code](size_t i) { return i < code.size() ? code[i] : '\0'; };
  const char colour = at(0);
  if (colour >= '1' && colour <= '9') {
    entry.graphics[1] = StoredColourForMenuPosition(colour - '0');
  } else if (colour >= 'A' && colour <= 'G') {
    entry.graphics[1] = StoredColourForMenuPosition(colour - 'A' + 10);
  } else if (colour == 'R') {
    entry.graphics[1] = kLegendCustomColour;
  } else {
    entry.graphics[1] = 1;
  }
  entry.graphics[4] = HexDigitValue(at(1));
  entry.graphics[3] = HexDigitValue(at(2));
  entry.graphics[0] = static_cast<int16_t>(static_cast<unsigned char>(at(3)));
  entry.graphics[2] = IsDecimalDigit(at(4)) ? static_cast<int16_t>(at(4) - '0') : int16_t{0};
  if (colour == 'R' && code.size() >= 15) {
    for (size_t c = 0; c < 3; ++c) entry.thematic[c] = ColourComponent(code.substr(5 + 3 * c));
  }
  return entry;
}

// --- Handlers ---

int32_t HandleOVXQuery(const char* envelope) {
  std::string name;
  if (!RequiredParam(envelope, "NAME", kOverlayNameRoom, name)) return -1;
  LayerRecord layer;
  const bool found = GetLayerRecord(LayerNameToIndex(name), layer);
  return AnswerOverlay(found, layer.layerID);
}

int32_t HandleMKOV(const char* envelope) {
  std::string name;
  if (!RequiredParam(envelope, "NAME", kOverlayNameRoom, name)) return -1;
  const std::string flag = Param(envelope, "FLAG", kOneCharacter, "N");
  const bool haveAttributes = HasParam(envelope, "ATBS");
  const std::string attributes = Param(envelope, "ATBS", kAttributeRoom);
  const bool temporary = flag == "T" || flag == "B";
  int32_t index = LayerNameToIndex(name);
  if (index < 0) {
    // The new overlay trades places with the first one, which goes to the end. A first
    // overlay that belongs to a group stays where it is, so the group's run holds together:
    // the new overlay goes in front of it.
    const bool firstInGroup = LayerCount() > 0 && GroupOfLayer(0) >= 0;
    std::string made = name;
    int32_t position = -1;
    if (AddLayer(made, firstInGroup, false, temporary, position) != 0) return -1;
    if (position > 0) {
      LayerRecord first;
      LayerRecord added;
      GetLayerRecord(0, first);
      GetLayerRecord(position, added);
      SetLayerRecord(0, added);
      SetLayerRecord(position, first);
      RebuildLayerIDIndex();
    }
    index = LayerNameToIndex(made);
  }
  LayerRecord layer;
  if (!GetLayerRecord(index, layer)) return -1;
  layer.lockState = kOwnedBit | kLockedBit;
  layer.deleteAtQuit = temporary ? 1 : 0;
  const bool redraw = haveAttributes && ApplyLayerAttributeWords(attributes, layer);
  SetLayerRecord(index, layer);
  OverlayListChanged();
  const int32_t sent = AnswerOverlay(true, layer.layerID);
  if (redraw) RedrawAfterMessage();
  return sent;
}

int32_t HandleSLAT(const char* envelope) {
  std::string name;
  std::string attributes;
  if (!RequiredParam(envelope, "NAME", kOverlayNameRoom, name)) return -1;
  if (!RequiredParam(envelope, "ATBS", kAttributeRoom, attributes)) return -1;
  const int32_t index = LayerNameToIndex(name);
  LayerRecord layer;
  if (!GetLayerRecord(index, layer)) {
    ShowAlert(GetIndString(25500, 65), kStopAlert);
    return -1;
  }
  const bool redraw = ApplyLayerAttributeWords(attributes, layer);
  SetLayerRecord(index, layer);
  if (redraw) RedrawAfterMessage();
  return 0;
}

int32_t HandleDLOV(const char* envelope) {
  std::string overlay;
  if (!RequiredParam(envelope, "LAYR", kOverlayNameRoom, overlay)) return -1;
  const std::string mapName = Param(envelope, "MAP ", kMapNameRoom);
  const std::string options = Param(envelope, "OPTN", kOptionRoom);
  const int32_t index = LayerNameToIndex(overlay);
  LayerRecord layer;
  if (!GetLayerRecord(index, layer)) return 0;
  int32_t mapRange = -1;
  if (mapName.empty() || mapName == "USER") {
    const int32_t userID = UserMapID();
    mapRange = userID == 0 ? -1 : MapIDToIndex(userID);
    if (mapRange < 0) return 0;
  } else if (mapName != "ALLMAPS") {
    mapRange = MapNameToIndex(mapName);
    if (mapRange < 0) return 0;
  }
  // A thematic list would go on naming summary records of files that are gone.
  for (int32_t m = 0; m < MapCount(); ++m) {
    MapRecord map;
    if ((mapRange < 0 || m == mapRange) && GetMapRecord(m, map)) {
      DropThematicList(map.mapID, layer.layerID);
    }
  }
  if (const int32_t err =
          DeleteLayer(LayerList(), index, mapRange, true, true, LayerRecordFate::kKeep);
      err != 0) {
    return err;
  }
  if (Contains(options, "REMOVELAYER") && LayerObjectCount(layer.layerID) == 0) {
    // Its empty files on the other maps go with it, or they would bring it back at the next
    // start; its group closes up round it.
    const int32_t err = DeleteLayerWithFiles(LayerIDToIndex(layer.layerID));
    if (err != 0 && err != kNameNotChangeable) return err;
  }
  OverlayListChanged();
  RedrawAfterMessage();
  return 0;
}

int32_t HandleDLGZ(const char*) {
  int32_t deleted = 0;
  const int32_t err = DeleteEmptyLayersAndGroups(deleted);
  if (deleted > 0) {
    OverlayListChanged();
    RedrawAfterMessage();
  }
  return err;
}

int32_t HandleMAP(const char* envelope) {
  const uint32_t start = Platform().TickCount();
  std::string signature;
  std::string paths;
  if (!RequiredParam(envelope, "PSIG", kSignatureRoom, signature)) return -1;
  if (!LongParam(envelope, "PATH", true, paths)) return -1;
  const MapOwnership ownership = MapOwnershipFromOptions(Param(envelope, "OPTN", kMapOptionRoom));
  bool missing = false;
  int32_t result = 0;
  std::vector<XtraMapsEntry> remembered;
  for (const std::string_view line : MessageLines(paths)) {
    const std::string folder = MapFolderOfLine(line);
    // Spelt as the sibling's own system spells it: the name file is found whatever its case.
    std::string nameFile;
    if (ResolvePath(folder + kNameDotMapName, nameFile) != 0 || IsFolder(nameFile)) {
      missing = true;
      continue;
    }
    int32_t position = -1;
    // The maps to remember go into XTRAMAPS.PLT together below, in one rewrite.
    if (const int32_t err = AddFoundMap(0, 0, folder, position, true, nullptr, 0, true); err != 0) {
      if (result == 0) result = err;
      continue;
    }
    MapRecord map;
    if (!GetMapRecord(position, map)) continue;
    // A sibling adds its maps again at each start: a NAME.MAP that says it all stays as it is.
    const bool nameFileCurrent =
        FieldText(map.owner) == signature &&
        (ownership.universal == 0 || ownership.universal == map.universalMark);
    std::copy(std::begin(ownership.policies), std::end(ownership.policies), map.policies);
    map.indexed = 0;
    if (ownership.universal != 0) map.universalMark = ownership.universal;
    if (ownership.owned) CopyToField(map.owner, signature);
    SetMapRecord(position, map);
    // The extent is worked out afresh for the map as it is now on disk.
    ComputeMapExtent(position);
    if (ownership.owned && !nameFileCurrent) SaveMapNameFile(position);
    const std::string listed = MapFolderPath(map);
    if (ownership.remember && !FolderInOverlayMaps(listed)) {
      remembered.push_back({listed, FieldText(map.name)});
    }
  }
  AddAllToXtramapsPltFile(remembered);
  if (missing) ShowAlert(GetIndString(25500, 92), kStopAlert);
  RedrawAfterMessage();
  NoteTiming(kMapTiming, start);
  return result;
}

int32_t HandleRMAP(const char* envelope) {
  const uint32_t start = Platform().TickCount();
  std::string signature;
  if (!RequiredParam(envelope, "PSIG", kSignatureRoom, signature)) return -1;
  std::string pathText;
  std::string nameText;
  LongParam(envelope, "PATH", false, pathText);
  LongParam(envelope, "NAME", false, nameText);
  // Line i of PATH and line i of NAME name the same map.
  const std::vector<std::string_view> paths = MessageLines(pathText, true);
  const std::vector<std::string_view> names = MessageLines(nameText, true);
  const int32_t sender = FindFriendBySIGN(IACSenderSignature());
  std::vector<std::string> removedFolders;
  for (size_t i = 0; i < std::max(paths.size(), names.size()); ++i) {
    int32_t index = -1;
    if (i < paths.size() && !paths[i].empty()) {
      int32_t folderID = -1;
      if (MapFolderIDFromPath(0, MapFolderOfLine(paths[i]), folderID) == 0) {
        MapRecord map;
        for (int32_t m = 0; index < 0 && GetMapRecord(m, map); ++m) {
          if (map.mapID != 0 && map.dirID == folderID) index = m;
        }
      }
    }
    if (index < 0 && i < names.size() && !names[i].empty()) index = MapNameToIndex(names[i]);
    MapRecord map;
    if (!GetMapRecord(index, map)) continue;
    if (ThematicListOfOtherOwnerOnMap(map.mapID, sender)) continue;
    const std::string owner = FieldText(map.owner);
    if (MapOwnedByApplication(map) && owner != signature && IsAppRunning(owner.c_str()) != 0) {
      continue;
    }
    const std::string folder = MapFolderPath(map);
    if (RemoveMap(index, false) != 0) continue;
    // The sender's own lists on the map would name summary records of a map that is gone.
    for (int32_t l = 0; l < LayerCount(); ++l) {
      LayerRecord layer;
      if (GetLayerRecord(l, layer)) DropThematicList(map.mapID, layer.layerID);
    }
    removedFolders.push_back(folder);
  }
  if (!removedFolders.empty()) {
    FilterXtraMapsPltFile([&removedFolders](const XtraMapsEntry& entry) {
      return std::find(removedFolders.begin(), removedFolders.end(),
                       WithTrailingSlash(entry.path)) == removedFolders.end();
    });
    RedrawAfterMessage();
  }
  NoteTiming(kRemoveMapTiming, start);
  return 0;
}

int32_t HandleLGND(const char* envelope) {
  const bool havePath = HasParam(envelope, "PATH");
  const std::string path = Param(envelope, "PATH", kPathRoom);
  std::string list;
  const bool haveList = LongParam(envelope, "LIST", false, list);
  const std::string excluded = Param(envelope, "XOUT", kExcludedRoom);
  if (havePath) {
    const std::string folder = CurrentObjectMessageHooks().userFolder
                                   ? WithTrailingSlash(CurrentObjectMessageHooks().userFolder())
                                   : std::string();
    const fs::path source(path);
    int32_t sourceID = -1;
    int32_t targetID = -1;
    int32_t err = folder.empty() ? kErrFolderNotFound : 0;
    if (err == 0) {
      err = RegisterDirectory(WithTrailingSlash(source.parent_path().string()), true, sourceID);
    }
    if (err == 0) err = RegisterDirectory(folder, true, targetID);
    if (err == 0) {
      err = CopyFileContents(0, sourceID, source.filename().string().c_str(), 0, targetID,
                             kLegendPictureFileName);
    }
    if (err != 0) {
      ReportError("HandleLGND()", "CopyFileContents()", err);
      return err;
    }
    RememberLegendOnce(LegendShownNow());
    LegendContents picture;
    picture.kind = kLegendPicture;
    picture.picturePath = folder + kLegendPictureFileName;
    SetLegend(picture);
    SetLegendShownNow(true);
  } else if (!haveList && LegendRemembered()) {
    const LegendContents before = TakeRememberedLegend();
    SetLegend(before);
    SetLegendShownNow(before.shown);
  }
  if (haveList) {
    RememberLegendOnce(LegendShownNow());
    LegendContents entries;
    entries.kind = kLegendList;
    try {
      for (const std::string_view line : MessageLines(list)) {
        entries.entries.push_back(LegendEntryFromLine(line));
      }
      // The sibling's entries lead; the overlays the user saw in the legend follow them.
      const LegendContents& before = RememberedLegend();
      if (before.kind == kLegendOverlays && before.shown) {
        const std::vector<std::string_view> left = MessageLines(excluded);
        Handle sorted = nullptr;
        int32_t shownCount = 0;
        if (SortLayersByShownPlusName(sorted, shownCount) != 0) {
          ReportError("HandleLGND()", "MyNewHandle()", 0);
          return -1;
        }
        ScopedHandle owned(sorted);
        const HandleArray<LayerRecord> layers(sorted);
        for (int32_t i = 0; i < layers.Count(); ++i) {
          const LayerRecord layer = layers.Get(i);
          if ((layer.flags & kNotInLegendFlag) != 0) continue;
          const std::string name = FieldText(layer.name);
          const bool leftOut = std::any_of(left.begin(), left.end(), [&name](std::string_view x) {
            return CollateEqual(name, x);
          });
          if (!leftOut) entries.entries.push_back(layer);
        }
      }
    } catch (const std::bad_alloc&) {
      ReportError("HandleLGND()", "MyNewHandle()", 0);
      return -1;
    }
    SetLegend(entries);
    SetLegendShownNow(true);
  }
  RedrawAfterMessage();
  return 0;
}

void ResetOverlayMessagesForTesting() {
  state = OverlayMessageState();
  ResetLegendStateForTesting();
}

}  // namespace tlv
