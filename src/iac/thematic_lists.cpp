#include "iac/thematic_lists.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <utility>

#include "base/errors.h"
#include "base/files.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/walks.h"
#include "iac/friend_files.h"
#include "iac/friends.h"
#include "iac/iac.h"
#include "iac/object_messages.h"
#include "store/directory_table.h"
#include "store/object_id_index.h"

namespace tlv {

namespace {

namespace fs = std::filesystem;

constexpr int32_t kMapNameRoom = 41;
constexpr int32_t kOverlayNameRoom = 31;
constexpr int32_t kModeRoom = 5;
constexpr int32_t kViewRoom = 99;
constexpr const char* kUnlisted = "00000";

struct ThematicList {
  int32_t number = 0;  // > 0: files of that number; < 0: slot -number
  int32_t owner = -1;  // friend index
  WRect rect;
  bool fromIdsFile = false;  // "CTRL": the sibling fills "n.IDS"
};

struct ThematicState {
  int32_t nextNumber = 1;
  std::map<std::pair<int32_t, int32_t>, ThematicList> lists;
  bool slotUsed[kThematicSlotCount] = {};
};

ThematicState state;

std::string FilePath(int32_t number, const char* extension) {
  return ThematicFolderPath() + std::to_string(number) + extension;
}

void RemoveFile(const std::string& path) {
  std::error_code ignored;
  fs::remove(path, ignored);
}

void ForgetList(const ThematicList& list) {
  if (list.number > 0) {
    RemoveFile(FilePath(list.number, ".IDS"));
    RemoveFile(FilePath(list.number, ".TDO"));
  } else if (list.number < 0 && -list.number <= kThematicSlotCount) {
    state.slotUsed[-list.number - 1] = false;
    SetThematicSlot(-list.number, {}, {});
  }
}

void ShowOverlayForList(int32_t overlayID) {
  const int32_t index = LayerIDToIndex(overlayID);
  LayerRecord layer;
  if (index < 0 || !GetLayerRecord(index, layer)) return;
  if (layer.displayMode == kDisplayShowNames || layer.displayMode == kDisplayShow) return;
  layer.displayMode = kDisplayShow;
  SetLayerRecord(index, layer);
}

int32_t FreeSlot() {
  for (int32_t i = 0; i < kThematicSlotCount; ++i) {
    if (!state.slotUsed[i]) return i + 1;
  }
  return 0;
}

// Writes the codes of a ".TDO" file: one per summary record, listed or not. Replaced whole, so
// a pass never reads half a list.
int32_t WriteCodes(int32_t number, const std::string& codes) {
  const std::string path = FilePath(number, ".TDO");
  const std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return kErrGeneral;
    out.write(codes.data(), static_cast<std::streamsize>(codes.size()));
    if (!out.flush()) {
      RemoveFile(temporary);
      return kErrGeneral;
    }
  }
  std::error_code err;
  fs::rename(temporary, path, err);
  if (err) {
    RemoveFile(temporary);
    return kErrGeneral;
  }
  return 0;
}

// The ".TDO" of a "CTRL" list from the IDs its owner wrote into the ".IDS".
int32_t MakeCodesFromIds(int32_t mapID, int32_t overlayID, int32_t number) {
  std::ifstream in(FilePath(number, ".IDS"), std::ios::binary);
  if (!in) return kErrGeneral;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::unordered_set<uint64_t> listed;
  const std::string normalised = NormaliseListLineEnds(text);
  for (const std::string_view line : ListLines(normalised)) {
    ObjectID id;
    if (ReadObjectIDText(line.substr(0, std::min(line.size(), line.find('\t'))), id)) {
      listed.insert(ObjectIDKey(id));
    }
  }
  std::string codes;
  int32_t mapIndex = -1, fileIndex = -1;
  const int32_t err = ForEachSummaryRecord(
      mapID, overlayID,
      [&](const SummaryRecord& record, int32_t index) -> int32_t {
        const size_t at = static_cast<size_t>(index) * kThematicCodeLength;
        if (codes.size() < at) codes.append(at - codes.size(), '0');
        codes.resize(at);
        const bool isListed = listed.count(ObjectIDKey({record.idHigh, record.idLow})) != 0;
        codes += isListed ? "XXXXX" : kUnlisted;
        return 0;
      },
      &mapIndex, &fileIndex);
  if (err != 0) return err;
  return WriteCodes(number, codes);
}

bool Newer(const std::string& a, const std::string& b) {
  std::error_code errA, errB;
  const auto timeA = fs::last_write_time(a, errA);
  const auto timeB = fs::last_write_time(b, errB);
  if (errA) return false;
  return errB || timeB < timeA;
}

}  // namespace

int32_t TakeThematicNumber() {
  return state.nextNumber++;
}

std::string ThematicFolderPath() {
  std::string folder;
  if (FriendsFolderID() < 0 || DirectoryPath(FriendsFolderID(), folder) != 0) return "";
  return WithTrailingSlash(folder);
}

int32_t MakeThematicList(int32_t mapID, int32_t overlayID, int32_t owner,
                         const std::vector<ThematicMember>& members, int32_t records,
                         int32_t cutoff) {
  DropThematicList(mapID, overlayID);
  ThematicList list;
  list.owner = owner;
  const int32_t slot = FreeSlot();
  if (static_cast<int64_t>(members.size()) <= cutoff && slot > 0) {
    std::vector<WPoint> points;
    std::vector<std::array<char, kThematicRecordSize>> entries;
    points.reserve(members.size());
    entries.reserve(members.size());
    for (const ThematicMember& member : members) {
      points.push_back(member.location);
      std::array<char, kThematicRecordSize> entry{};
      std::copy_n(member.code, kThematicCodeLength, entry.data() + kThematicCodeOffset);
      entries.push_back(entry);
    }
    if (SetThematicSlot(slot, std::move(points), std::move(entries)) == 0) {
      state.slotUsed[slot - 1] = true;
      list.number = -slot;
      state.lists[{mapID, overlayID}] = list;
      ShowOverlayForList(overlayID);
      return 0;
    }
  }
  list.number = TakeThematicNumber();
  std::string codes;
  for (int32_t i = 0; i < records; ++i) codes += kUnlisted;
  for (const ThematicMember& member : members) {
    const size_t at = static_cast<size_t>(member.summaryIndex) * kThematicCodeLength;
    if (member.summaryIndex < 0 || at + kThematicCodeLength > codes.size()) continue;
    std::copy_n(member.code, kThematicCodeLength, codes.begin() + static_cast<std::ptrdiff_t>(at));
  }
  if (const int32_t err = WriteCodes(list.number, codes); err != 0) {
    ReportError("HandleSHOW()", "makeTDOFile", err);
    return err;
  }
  state.lists[{mapID, overlayID}] = list;
  ShowOverlayForList(overlayID);
  return 0;
}

void DropThematicList(int32_t mapID, int32_t overlayID) {
  const auto found = state.lists.find({mapID, overlayID});
  if (found == state.lists.end()) return;
  ForgetList(found->second);
  state.lists.erase(found);
}

void DropThematicListsOf(int32_t owner) {
  for (auto it = state.lists.begin(); it != state.lists.end();) {
    if (owner >= 0 && it->second.owner != owner) {
      ++it;
      continue;
    }
    ForgetList(it->second);
    it = state.lists.erase(it);
  }
}

int32_t ThematicNumberForDrawing(int32_t mapID, int32_t overlayID) {
  const auto found = state.lists.find({mapID, overlayID});
  if (found == state.lists.end()) return 0;
  const ThematicList& list = found->second;
  if (list.fromIdsFile && list.number > 0 &&
      Newer(FilePath(list.number, ".IDS"), FilePath(list.number, ".TDO"))) {
    // A list that cannot be made draws as if every object were unlisted would: hide nothing.
    if (MakeCodesFromIds(mapID, overlayID, list.number) != 0) return 0;
  }
  return list.number;
}

bool ThematicListOfOtherOwnerOnMap(int32_t mapID, int32_t owner) {
  for (const auto& [key, list] : state.lists) {
    if (key.first == mapID && list.owner != owner) return true;
  }
  return false;
}

int32_t ThematicListCount() {
  return static_cast<int32_t>(state.lists.size());
}

int32_t HandleCTRL(const char* envelope) {
  char mapName[kMapNameRoom + 1] = {};
  char overlayName[kOverlayNameRoom + 1] = {};
  char mode[kModeRoom + 1] = {};
  if (GetIACParam(envelope, "MAPN", mapName, kMapNameRoom, true) != 0) return -1;
  if (GetIACParam(envelope, "LAYR", overlayName, kOverlayNameRoom, true) != 0) return -1;
  if (GetIACParam(envelope, "MODE", mode, kModeRoom, true) != 0) return -1;
  const int32_t mapIndex = ListMapIndex(mapName);
  const int32_t layerIndex = LayerNameToIndex(overlayName);
  MapRecord map;
  LayerRecord layer;
  const bool known = mapIndex >= 0 && layerIndex >= 0 && GetMapRecord(mapIndex, map) &&
                     GetLayerRecord(layerIndex, layer);
  const int32_t number = TakeThematicNumber();
  if (known) DropThematicList(map.mapID, layer.layerID);
  const std::string_view modeText = mode;
  if (modeText == "OFF") {
    RedrawAfterMessage();
    return 0;
  }
  // Without a Friends folder the list would land wherever the program was started.
  if (ThematicFolderPath().empty()) {
    ReportError("HandleCTRL()", "my_hcreate()", kErrFolderNotFound);
    return kErrFolderNotFound;
  }
  const std::string path = FilePath(number, ".IDS");
  std::string ids;
  ThematicList list;
  list.number = number;
  list.owner = FindFriendBySIGN(IACSenderSignature());
  list.fromIdsFile = true;
  if (modeText == "ON2") {
    if (known) {
      int32_t m = -1, f = -1;
      ForEachSummaryRecord(
          map.mapID, layer.layerID,
          [&ids](const SummaryRecord& record, int32_t) -> int32_t {
            ids += ObjectIDText({record.idHigh, record.idLow});
            ids += '\r';
            return 0;
          },
          &m, &f);
    }
  } else {
    char view[kViewRoom + 1] = {};
    GetIACParam(envelope, "VIEW", view, kViewRoom, false);
    double lowLat = 0, lowLong = 0, highLat = 0, highLong = 0;
    if (std::sscanf(view, "%lf %lf %lf %lf", &lowLat, &lowLong, &highLat, &highLong) == 4) {
      list.rect = WRectFromDegrees(lowLat, lowLong, highLat, highLong);
    }
  }
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
      ReportError("HandleCTRL()", "my_hcreate()", kErrGeneral);
      return kErrGeneral;
    }
    out << ids;
    if (!out.flush()) {
      ReportError("HandleCTRL()", "FSOpenBuf()", kErrGeneral);
      return kErrGeneral;
    }
  }
  if (known) {
    state.lists[{map.mapID, layer.layerID}] = list;
    ShowOverlayForList(layer.layerID);
  }
  const IACParam answer[] = {
      {"PATH", kIACTextKind, path.c_str(), 0},
      {"", 0, nullptr, 0},
  };
  return SendIACMessage("CTL!", answer, IACSenderSignature(), true, kOwnSignature,
                        kOwnProgramSignature);
}

void ResetThematicListsForTesting() {
  for (auto& [key, list] : state.lists) ForgetList(list);
  state = ThematicState();
}

}  // namespace tlv
