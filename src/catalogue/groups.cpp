#include "catalogue/groups.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

#include "base/collate.h"
#include "base/endian.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/walks.h"
#include "store/file_contents.h"

namespace tlv {

namespace {

constexpr int kMessageGroupsModified = 634;

struct GroupState {
  Handle groups = nullptr;
};

GroupState state;

HandleArray<GroupRecord> Groups() {
  return HandleArray<GroupRecord>(state.groups);
}

bool HasMembers(const GroupRecord& group) {
  return group.first[0] != '\0';
}

int32_t EnsureGroups() {
  if (state.groups != nullptr) return 0;
  state.groups = MyNewHandle(0);
  return state.groups == nullptr ? -1 : 0;
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Whether any overlay file of the overlay holds a live summary record. A file that cannot be
// read counts as holding one: what cannot be looked at is not deleted.
bool AnyLiveObjectOfLayer(int32_t layerID) {
  for (int32_t m = 0; m < MapCount(); ++m) {
    MapRecord map;
    if (!GetMapRecord(m, map) || map.mapID == 0 || OverlayFileIndexForID(m, layerID) < 0) {
      continue;
    }
    int32_t mapIndex = -1;
    int32_t fileIndex = -1;
    const int32_t found = ForEachSummaryRecord(
        map.mapID, layerID,
        [](const SummaryRecord& record, int32_t) { return SummaryRecordLive(record) ? 1 : 0; },
        &mapIndex, &fileIndex);
    if (found != 0) return true;
  }
  return false;
}

// Overlays the empty-overlay sweep never deletes: their owners create them on demand.
bool ProtectedFromSweep(const std::string& name) {
  if (IsTemporaryLayerName(name)) return true;
  const std::string upper = UpperCase(name);
  return upper.find("ZEPHA") != std::string::npos || upper.find("DORVE") != std::string::npos;
}

// Group runs of a list given as names: the group position + 2 for each overlay inside a run,
// else 1.
std::vector<int32_t> TagsFor(const std::vector<std::string>& names,
                             const std::vector<GroupRecord>& groups) {
  std::vector<int32_t> tags(names.size(), 1);
  auto positionOf = [&names](const char* name) -> int32_t {
    for (size_t i = 0; i < names.size(); ++i) {
      if (CollateEqual(names[i], FieldText(name, kLayerNameSize))) return static_cast<int32_t>(i);
    }
    return -1;
  };
  for (size_t g = 0; g < groups.size(); ++g) {
    if (!HasMembers(groups[g])) continue;
    const int32_t first = positionOf(groups[g].first);
    const int32_t last = positionOf(groups[g].last);
    if (first < 0 || last < first) continue;
    for (int32_t i = first; i <= last; ++i) {
      if (tags[static_cast<size_t>(i)] == 1)
        tags[static_cast<size_t>(i)] = static_cast<int32_t>(g) + 2;
    }
  }
  return tags;
}

std::vector<std::string> CurrentNames() {
  std::vector<std::string> names;
  for (int32_t i = 0; i < LayerCount(); ++i) names.push_back(LayerName(i));
  return names;
}

std::vector<GroupRecord> CurrentGroups() {
  std::vector<GroupRecord> groups;
  for (int32_t i = 0; i < GroupCount(); ++i) groups.push_back(Groups().Get(i));
  return groups;
}

int32_t GroupNamed(const std::string& name) {
  for (int32_t g = 0; g < GroupCount(); ++g) {
    if (CollateEqual(FieldText(Groups().Get(g).name), name)) return g;
  }
  return -1;
}

// Where a group that just got members goes: behind the groups that have members.
int32_t FirstEmptyGroupPosition() {
  for (int32_t g = 0; g < GroupCount(); ++g) {
    if (!HasMembers(Groups().Get(g))) return g;
  }
  return GroupCount();
}

}  // namespace

Handle GroupList() {
  return state.groups;
}

int32_t GroupCount() {
  return Groups().Count();
}

bool GetGroupRecord(int32_t index, GroupRecord& record) {
  if (index < 0 || index >= GroupCount()) return false;
  record = Groups().Get(index);
  return true;
}

bool SetGroupRecord(int32_t index, const GroupRecord& record) {
  if (index < 0 || index >= GroupCount()) return false;
  Groups().Set(index, record);
  return true;
}

bool GroupsLoaded() {
  return state.groups != nullptr;
}

int32_t SetGroups(const std::vector<GroupRecord>& groups) {
  ReleaseGroups();
  if (EnsureGroups() != 0) return -1;
  HandleArray<GroupRecord> list = Groups();
  if (list.Resize(static_cast<int32_t>(groups.size())) != 0) return -1;
  for (size_t i = 0; i < groups.size(); ++i) list.Set(static_cast<int32_t>(i), groups[i]);
  return 0;
}

void ReleaseGroups() {
  if (state.groups != nullptr) MyDisposeHandle(state.groups);
  state.groups = nullptr;
}

int32_t ReadGroupPltFile(int16_t volume, int32_t dirID, const char* name,
                         std::vector<GroupRecord>& groups) {
  groups.clear();
  Handle bytes = nullptr;
  int32_t length = 0;
  const int32_t err = ReadFileContents(volume, dirID, name, nullptr, length, &bytes, false);
  if (err != 0) return err;
  ScopedHandle owned(bytes);
  return DecodeGroups(*bytes, length, groups);
}

bool GroupRun(const GroupRecord& group, int32_t& first, int32_t& last) {
  first = last = -1;
  if (!HasMembers(group)) return false;
  first = LayerNameToIndex(FieldText(group.first));
  last = LayerNameToIndex(FieldText(group.last));
  return first >= 0 && last >= first;
}

int32_t GroupOfLayer(int32_t layerIndex) {
  for (int32_t g = 0; g < GroupCount(); ++g) {
    int32_t first = -1;
    int32_t last = -1;
    if (GroupRun(Groups().Get(g), first, last) && layerIndex >= first && layerIndex <= last) {
      return g;
    }
  }
  return -1;
}

bool CheckGroups() {
  int32_t previousLast = -1;
  for (int32_t g = 0; g < GroupCount(); ++g) {
    GroupRecord group = Groups().Get(g);
    if (!HasMembers(group)) continue;
    const int32_t first = LayerNameToIndex(FieldText(group.first));
    const int32_t last = LayerNameToIndex(FieldText(group.last));
    if (first > previousLast && last >= first) {
      previousLast = last;
      continue;
    }
    CopyToField(group.first, "");
    CopyToField(group.last, "");
    Groups().Set(g, group);
    ShowAlert(MessageText(kMessageGroupsModified), kCautionAlert);
    return true;
  }
  return false;
}

void SortGroups() {
  struct Keyed {
    GroupRecord group;
    int32_t first;
  };
  std::vector<Keyed> keyed;
  for (int32_t g = 0; g < GroupCount(); ++g) {
    Keyed k{Groups().Get(g), -1};
    int32_t last = -1;
    if (!GroupRun(k.group, k.first, last)) k.first = -1;
    keyed.push_back(k);
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    if ((a.first >= 0) != (b.first >= 0)) return a.first >= 0;
    if (a.first >= 0) return a.first < b.first;
    return CollateCompare(a.group.name, b.group.name, kGroupNameSize, false) < 0;
  });
  for (size_t i = 0; i < keyed.size(); ++i) Groups().Set(static_cast<int32_t>(i), keyed[i].group);
}

int32_t AddGroup(std::string_view name) {
  if (EnsureGroups() != 0) {
    ReportError("AddGroup()", "MyNewHandle()", MyMemError());
    return -1;
  }
  GroupRecord group;
  CopyToField(group.name, name);
  if (Groups().Append(group) != 0) {
    ReportError("AddGroup()", "MySetHandleSize()", MyMemError());
    return -1;
  }
  SortGroups();
  return 0;
}

int32_t DeleteGroup(int32_t position) {
  GroupRecord group;
  if (!GetGroupRecord(position, group)) return kErrGeneral;
  int32_t first = -1;
  int32_t last = -1;
  if (GroupRun(group, first, last)) {
    for (int32_t i = last; i >= first; --i) {
      if (IsTemporaryLayerName(LayerName(i))) continue;
      LayerRecord layer;
      GetLayerRecord(i, layer);
      ForgetLayerFiles(layer.layerID);
      DeleteLayer(LayerList(), i, -1, false);
    }
  }
  Groups().Remove(position);
  SortGroups();
  RebuildLayerIDIndex();
  return 0;
}

int32_t DeleteEmptyLayersAndGroups(int32_t& deleted) {
  deleted = 0;
  for (int32_t i = LayerCount() - 1; i >= 0; --i) {
    LayerRecord layer;
    GetLayerRecord(i, layer);
    const std::string name = FieldText(layer.name);
    if (ProtectedFromSweep(name) || LayerObjectCount(layer.layerID) > 0) continue;
    // A header count of 0 is not proof enough to delete object files: the summary file decides.
    if (AnyLiveObjectOfLayer(layer.layerID)) continue;
    const int32_t g = GroupOfLayer(i);
    if (g >= 0) {
      GroupRecord group = Groups().Get(g);
      int32_t first = -1;
      int32_t last = -1;
      GroupRun(group, first, last);
      if (first == last) {
        CopyToField(group.first, "");
        CopyToField(group.last, "");
      } else if (i == first) {
        CopyToField(group.first, LayerName(i + 1));
      } else if (i == last) {
        CopyToField(group.last, LayerName(i - 1));
      }
      Groups().Set(g, group);
    }
    // Files left behind would bring the overlay back at the next start, and a new file set made
    // beside them would be refused with message 613 then. Locked maps keep theirs, as always.
    const int32_t err = DeleteLayer(LayerList(), i, -1, true, false);
    if (err != 0) return err;
    ++deleted;
  }
  for (int32_t g = GroupCount() - 1; g >= 0; --g) {
    int32_t first = -1;
    int32_t last = -1;
    if (!GroupRun(Groups().Get(g), first, last)) {
      Groups().Remove(g);
      ++deleted;
    }
  }
  SortGroups();
  RebuildLayerIDIndex();
  const CatalogueHooks& hooks = CatalogueHooksInUse();
  if (deleted > 0 && hooks.clearUndo != nullptr) hooks.clearUndo();
  return 0;
}

int32_t CreateLayerIndex(Handle& rows) {
  rows = MyNewHandle(0);
  if (rows == nullptr) {
    ReportError("CreateLayerIndex()", "MyNewHandle()", MyMemError());
    return -1;
  }
  HandleArray<LayerIndexRow> out(rows);
  auto add = [&out, &rows](const LayerIndexRow& row) -> int32_t {
    if (out.Append(row) == 0) return 0;
    ReportError("CreateLayerIndex()", "MyNewHandle()", MyMemError());
    MyDisposeHandle(rows);
    rows = nullptr;
    return -1;
  };
  for (int32_t i = 0; i < LayerCount(); ++i) {
    const int32_t g = GroupOfLayer(i);
    if (g >= 0) {
      const GroupRecord group = Groups().Get(g);
      int32_t first = -1;
      int32_t last = -1;
      GroupRun(group, first, last);
      if (i == first && add({0, g, -1}) != 0) return -1;
      if (group.collapsed) continue;
      if (add({1, g, i}) != 0) return -1;
    } else if (add({0, -1, i}) != 0) {
      return -1;
    }
  }
  for (int32_t g = 0; g < GroupCount(); ++g) {
    int32_t first = -1;
    int32_t last = -1;
    if (!GroupRun(Groups().Get(g), first, last) && add({0, g, -1}) != 0) return -1;
  }
  return 0;
}

int32_t AppendLayersAndGroupsFromIndexFiles(const std::string& path) {
  std::vector<LayerRecord> layers;
  std::vector<GroupRecord> groups;
  {
    FileByteSource source(path);
    std::vector<unsigned char> bytes;
    int32_t err = source.ReadAll(bytes);
    if (err == 0) {
      err = DecodeLayers2(bytes.data(), static_cast<int32_t>(bytes.size()), layers);
    }
    if (err != 0) {
      ReportError("AppendLayersAndGroupsFromIndexFiles()", "ReadLayers2PltFile()", err);
      return err;
    }
  }
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                               ? path.substr(0, dot)
                               : path;
  std::string groupPath = stem + ".GNX";
  std::string resolved;
  if (ResolvePath(groupPath, resolved) == 0 || ResolvePath(groupPath + ";1", resolved) == 0) {
    FileByteSource source(resolved);
    std::vector<unsigned char> bytes;
    int32_t err = source.ReadAll(bytes);
    if (err == 0) err = DecodeGroups(bytes.data(), static_cast<int32_t>(bytes.size()), groups);
    if (err != 0) {
      ReportError("AppendLayersAndGroupsFromIndexFiles()", "ReadGroupPltFile()", err);
      return err;
    }
  }
  if (layers.empty() && groups.empty()) return 0;
  return ProcessImmigratingLayersAndGroups(std::move(layers), groups);
}

int32_t ProcessImmigratingLayersAndGroups(std::vector<LayerRecord> incomingLayers,
                                          const std::vector<GroupRecord>& incomingGroups) {
  constexpr const char* kCaller = "ProcessImmigratingLayersAndGroups()";
  if (EnsureGroups() != 0 || EnsureLayerList() != 0) {
    ReportError(kCaller, "MySetHandleSize()", MyMemError());
    return -1;
  }
  std::vector<std::string> incomingNames;
  for (const LayerRecord& layer : incomingLayers) incomingNames.push_back(FieldText(layer.name));
  const std::vector<int32_t> incomingTags = TagsFor(incomingNames, incomingGroups);
  auto incomingGroupName = [&](size_t k) -> std::string {
    const int32_t tag = incomingTags[k];
    return tag >= 2 ? FieldText(incomingGroups[static_cast<size_t>(tag - 2)].name) : "";
  };
  auto tagCurrent = [](std::vector<int32_t>& tags) {
    tags = TagsFor(CurrentNames(), CurrentGroups());
    for (int32_t i = 0; i < LayerCount(); ++i) {
      LayerRecord layer;
      GetLayerRecord(i, layer);
      if (LayerObjectCount(layer.layerID) > 0) tags[static_cast<size_t>(i)] *= -1;
    }
  };
  std::vector<int32_t> tags;
  tagCurrent(tags);

  // Empty overlays whose group differs from the incoming one follow the incoming grouping.
  bool marked = false;
  for (int32_t i = 0; i < LayerCount(); ++i) {
    const std::string name = LayerName(i);
    if (IsTemporaryLayerName(name) || tags[static_cast<size_t>(i)] < 0) continue;
    for (size_t k = 0; k < incomingNames.size(); ++k) {
      if (!CollateEqual(incomingNames[k], name)) continue;
      const int32_t tag = tags[static_cast<size_t>(i)];
      const std::string currentGroup =
          tag >= 2 ? FieldText(Groups().Get(tag - 2).name) : std::string();
      if (!CollateEqual(currentGroup, incomingGroupName(k))) {
        tags[static_cast<size_t>(i)] = 0;
        marked = true;
      }
      break;
    }
  }
  // A regrouped overlay comes back under its old ID so that its (empty) files on the maps stay
  // its own.
  std::vector<std::pair<std::string, int32_t>> regroupedIDs;
  if (marked) {
    for (int32_t i = LayerCount() - 1; i >= 0; --i) {
      if (tags[static_cast<size_t>(i)] != 0) continue;
      LayerRecord removed;
      GetLayerRecord(i, removed);
      regroupedIDs.emplace_back(FieldText(removed.name), removed.layerID);
      DeleteLayer(LayerList(), i, -1, false);
      tags.erase(tags.begin() + i);
    }
    for (int32_t g = 0; g < GroupCount(); ++g) {
      GroupRecord group = Groups().Get(g);
      CopyToField(group.first, "");
      CopyToField(group.last, "");
      Groups().Set(g, group);
    }
    const int32_t count = LayerCount();
    auto groupAt = [&tags](int32_t i) { return std::abs(tags[static_cast<size_t>(i)]); };
    for (int32_t i = 0; i < count; ++i) {
      const int32_t g = groupAt(i);
      if (g < 2) continue;
      GroupRecord group = Groups().Get(g - 2);
      if (i == 0 || groupAt(i - 1) != g) CopyToField(group.first, LayerName(i));
      if (i == count - 1 || groupAt(i + 1) != g) CopyToField(group.last, LayerName(i));
      Groups().Set(g - 2, group);
    }
    SortGroups();
  }

  HandleArray<LayerRecord> layers(LayerList());
  for (size_t k = 0; k < incomingLayers.size(); ++k) {
    if (LayerNameToIndex(incomingNames[k]) >= 0) continue;
    LayerRecord layer = incomingLayers[k];
    layer.layerID = 0;
    for (const auto& [name, id] : regroupedIDs) {
      if (CollateEqual(name, incomingNames[k])) layer.layerID = id;
    }
    if (layer.layerID == 0) layer.layerID = TakeLayerID();
    layer.marker = kLayerRecordMarker;
    layer.reservedValue = 0;
    layer.groupTag = 0;
    layers = HandleArray<LayerRecord>(LayerList());
    const std::string groupName = incomingGroupName(k);
    int32_t at = LayerCount();
    int32_t g = groupName.empty() ? -1 : GroupNamed(groupName);
    if (!groupName.empty() && g < 0) {
      GroupRecord copy = incomingGroups[static_cast<size_t>(incomingTags[k] - 2)];
      CopyToField(copy.first, "");
      CopyToField(copy.last, "");
      g = FirstEmptyGroupPosition();
      if (Groups().Insert(g, copy) != 0) {
        ReportError(kCaller, "MySetHandleSize()", MyMemError());
        return -1;
      }
    }
    if (g >= 0) {
      GroupRecord group = Groups().Get(g);
      int32_t first = -1;
      int32_t last = -1;
      if (GroupRun(group, first, last)) {
        at = last + 1;
      } else {
        // The group gets its first member at the end of the list: it goes behind the groups
        // that have members.
        const GroupRecord moving = group;
        Groups().Remove(g);
        g = FirstEmptyGroupPosition();
        if (Groups().Insert(g, moving) != 0) {
          ReportError(kCaller, "MySetHandleSize()", MyMemError());
          return -1;
        }
        CopyToField(group.first, incomingNames[k]);
      }
      CopyToField(group.last, incomingNames[k]);
      if (layers.Insert(at, layer) != 0) {
        ReportError(kCaller, "MySetHandleSize()", MyMemError());
        return -1;
      }
      Groups().Set(g, group);
    } else if (layers.Insert(at, layer) != 0) {
      ReportError(kCaller, "MySetHandleSize()", MyMemError());
      return -1;
    }
  }
  for (int32_t i = 0; i < LayerCount(); ++i) {
    LayerRecord layer;
    GetLayerRecord(i, layer);
    layer.groupTag = 0;
    SetLayerRecord(i, layer);
  }
  RebuildLayerIDIndex();
  return 0;
}

}  // namespace tlv
