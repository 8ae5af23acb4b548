#include "catalogue/layer_order.h"

#include <string>
#include <vector>

#include "base/collate.h"
#include "base/errors.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/groups.h"
#include "catalogue/layer_files.h"
#include "catalogue/layers.h"

namespace tlv {

namespace {

// The list as a sequence of overlays each tagged with its group (or -1). Moves rearrange the
// sequence; Commit writes it back and derives every group's first and last overlay from the
// tags, so a group can never end up split or overlapping another.
struct Entry {
  LayerRecord layer;
  int32_t group = -1;
};

std::vector<Entry> Snapshot() {
  std::vector<Entry> entries;
  for (int32_t i = 0; i < LayerCount(); ++i) {
    Entry e;
    GetLayerRecord(i, e.layer);
    e.group = GroupOfLayer(i);
    entries.push_back(e);
  }
  return entries;
}

// A run of the sequence that moves as one: an overlay outside groups, or a group's members.
struct Unit {
  int32_t begin;
  int32_t end;  // one past the last
};

std::vector<Unit> Units(const std::vector<Entry>& entries) {
  std::vector<Unit> units;
  const int32_t n = static_cast<int32_t>(entries.size());
  for (int32_t i = 0; i < n;) {
    int32_t j = i + 1;
    if (entries[static_cast<size_t>(i)].group >= 0) {
      while (j < n &&
             entries[static_cast<size_t>(j)].group == entries[static_cast<size_t>(i)].group)
        ++j;
    }
    units.push_back({i, j});
    i = j;
  }
  return units;
}

// The run of entries of the same group around position.
void RunAround(const std::vector<Entry>& entries, int32_t position, int32_t& first, int32_t& last) {
  const size_t count = entries.size();
  const int32_t group = entries[static_cast<size_t>(position)].group;
  size_t begin = static_cast<size_t>(position);
  size_t end = begin;
  while (begin > 0 && entries[begin - 1].group == group) --begin;
  while (end + 1 < count && entries[end + 1].group == group) ++end;
  first = static_cast<int32_t>(begin);
  last = static_cast<int32_t>(end);
}

int32_t UnitOf(const std::vector<Unit>& units, int32_t position) {
  for (size_t u = 0; u < units.size(); ++u) {
    if (position >= units[u].begin && position < units[u].end) return static_cast<int32_t>(u);
  }
  return -1;
}

int32_t TargetIndex(int32_t current, int32_t count, LayerMove move) {
  switch (move) {
    case LayerMove::kTop:
      return 0;
    case LayerMove::kUp:
      return current > 0 ? current - 1 : 0;
    case LayerMove::kDown:
      return current + 1 < count ? current + 1 : count - 1;
    case LayerMove::kBottom:
      return count - 1;
  }
  return current;
}

// Moves unit u to place target among the units; answers the entries in their new order.
std::vector<Entry> MoveUnit(const std::vector<Entry>& entries, const std::vector<Unit>& units,
                            int32_t u, int32_t target) {
  std::vector<int32_t> order;
  for (int32_t i = 0; i < static_cast<int32_t>(units.size()); ++i) {
    if (i != u) order.push_back(i);
  }
  order.insert(order.begin() + target, u);
  std::vector<Entry> moved;
  for (const int32_t i : order) {
    for (int32_t k = units[static_cast<size_t>(i)].begin; k < units[static_cast<size_t>(i)].end;
         ++k) {
      moved.push_back(entries[static_cast<size_t>(k)]);
    }
  }
  return moved;
}

int32_t PositionOfID(const std::vector<Entry>& entries, int32_t layerID) {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].layer.layerID == layerID) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t GroupNamedExactly(const std::string& name) {
  GroupRecord group;
  for (int32_t g = 0; GetGroupRecord(g, group); ++g) {
    if (FieldText(group.name) == name) return g;
  }
  return -1;
}

void Commit(const std::vector<Entry>& entries) {
  for (size_t i = 0; i < entries.size(); ++i) {
    SetLayerRecord(static_cast<int32_t>(i), entries[i].layer);
  }
  GroupRecord group;
  for (int32_t g = 0; GetGroupRecord(g, group); ++g) {
    CopyToField(group.first, "");
    CopyToField(group.last, "");
    for (const Entry& e : entries) {
      if (e.group != g) continue;
      if (group.first[0] == '\0') CopyToField(group.first, FieldText(e.layer.name));
      CopyToField(group.last, FieldText(e.layer.name));
    }
    SetGroupRecord(g, group);
  }
  SortGroups();
  RebuildLayerIDIndex();
}

bool ValidPosition(int32_t position) {
  return position >= 0 && position < LayerCount();
}

std::string CutName(std::string_view name, size_t size) {
  std::string cut(name.substr(0, size - 1));
  return cut;
}

}  // namespace

int32_t MoveLayer(int32_t position, LayerMove move, int32_t& newPosition) {
  newPosition = position;
  if (!ValidPosition(position)) return kErrGeneral;
  std::vector<Entry> entries = Snapshot();
  const Entry entry = entries[static_cast<size_t>(position)];
  if (entry.group >= 0) {
    int32_t first = position;
    int32_t last = position;
    RunAround(entries, position, first, last);
    const int32_t target = first + TargetIndex(position - first, last - first + 1, move);
    if (target == position) return 0;
    entries.erase(entries.begin() + position);
    entries.insert(entries.begin() + target, entry);
  } else {
    const std::vector<Unit> units = Units(entries);
    const int32_t u = UnitOf(units, position);
    const int32_t target = TargetIndex(u, static_cast<int32_t>(units.size()), move);
    if (target == u) return 0;
    entries = MoveUnit(entries, units, u, target);
  }
  Commit(entries);
  newPosition = PositionOfID(entries, entry.layer.layerID);
  return 0;
}

int32_t MoveGroup(int32_t group, LayerMove move, int32_t& newGroup) {
  newGroup = group;
  GroupRecord record;
  if (!GetGroupRecord(group, record)) return kErrGeneral;
  int32_t first = -1;
  int32_t last = -1;
  if (!GroupRun(record, first, last)) return kErrGeneral;
  std::vector<Entry> entries = Snapshot();
  const std::vector<Unit> units = Units(entries);
  const int32_t u = UnitOf(units, first);
  const int32_t target = TargetIndex(u, static_cast<int32_t>(units.size()), move);
  if (target == u) return 0;
  const std::string name = FieldText(record.name);
  Commit(MoveUnit(entries, units, u, target));
  newGroup = GroupNamedExactly(name);
  return 0;
}

int32_t MoveLayerIntoGroup(int32_t position, int32_t group, int32_t& newPosition) {
  newPosition = position;
  GroupRecord record;
  if (!ValidPosition(position) || !GetGroupRecord(group, record)) return kErrGeneral;
  std::vector<Entry> entries = Snapshot();
  Entry entry = entries[static_cast<size_t>(position)];
  if (entry.group == group) return 0;
  const int32_t oldGroup = entry.group;
  entries.erase(entries.begin() + position);
  int32_t at = position;
  int32_t lastMember = -1;
  int32_t lastOfOld = -1;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].group == group) lastMember = static_cast<int32_t>(i);
    if (oldGroup >= 0 && entries[i].group == oldGroup) lastOfOld = static_cast<int32_t>(i);
  }
  if (lastMember >= 0) {
    at = lastMember + 1;
  } else if (lastOfOld >= 0) {
    // Leaving its old group: it goes below that group, never inside it.
    at = lastOfOld + 1;
  }
  entry.group = group;
  entries.insert(entries.begin() + at, entry);
  Commit(entries);
  newPosition = PositionOfID(entries, entry.layer.layerID);
  return 0;
}

int32_t MoveLayerOutOfGroup(int32_t position, int32_t& newPosition) {
  newPosition = position;
  if (!ValidPosition(position)) return kErrGeneral;
  std::vector<Entry> entries = Snapshot();
  Entry entry = entries[static_cast<size_t>(position)];
  if (entry.group < 0) return 0;
  int32_t first = position;
  int32_t last = position;
  RunAround(entries, position, first, last);
  entry.group = -1;
  entries.erase(entries.begin() + position);
  // A member in the middle would split its group: it goes below the group instead.
  const int32_t at = position == first ? position : last;
  entries.insert(entries.begin() + at, entry);
  Commit(entries);
  newPosition = PositionOfID(entries, entry.layer.layerID);
  return 0;
}

int32_t NeighbouringGroup(int32_t position) {
  if (!ValidPosition(position) || GroupOfLayer(position) >= 0) return -1;
  if (position > 0) {
    const int32_t above = GroupOfLayer(position - 1);
    if (above >= 0) return above;
  }
  if (position + 1 < LayerCount()) return GroupOfLayer(position + 1);
  return -1;
}

int32_t DeleteLayerWithFiles(int32_t position) {
  if (!ValidPosition(position)) return kErrGeneral;
  if (IsTemporaryLayerName(LayerName(position))) return kNameNotChangeable;
  const int32_t g = GroupOfLayer(position);
  GroupRecord group;
  if (GetGroupRecord(g, group)) {
    int32_t first = -1;
    int32_t last = -1;
    GroupRun(group, first, last);
    if (first == last) {
      CopyToField(group.first, "");
      CopyToField(group.last, "");
    } else if (position == first) {
      CopyToField(group.first, LayerName(position + 1));
    } else if (position == last) {
      CopyToField(group.last, LayerName(position - 1));
    }
  }
  // A file that cannot be deleted keeps the overlay in the list, and its group as it was.
  const int32_t err = DeleteLayer(LayerList(), position, -1, true);
  if (err != 0) return err;
  if (g >= 0) SetGroupRecord(g, group);
  SortGroups();
  RebuildLayerIDIndex();
  return 0;
}

bool GroupNameTaken(std::string_view name, int32_t exceptGroup) {
  GroupRecord group;
  for (int32_t g = 0; GetGroupRecord(g, group); ++g) {
    if (g != exceptGroup && CollateEqual(FieldText(group.name), name)) return true;
  }
  return false;
}

int32_t AddNamedGroup(std::string_view name, int32_t& position) {
  position = -1;
  const std::string cut = CutName(name, kGroupNameSize);
  if (cut.empty()) return kNameEmpty;
  if (GroupNameTaken(cut)) return kNameTaken;
  const int32_t err = AddGroup(cut);
  if (err != 0) return err;
  position = GroupNamedExactly(cut);
  return 0;
}

int32_t RenameGroup(int32_t group, std::string_view name) {
  GroupRecord record;
  if (!GetGroupRecord(group, record)) return kErrGeneral;
  const std::string cut = CutName(name, kGroupNameSize);
  if (cut.empty()) return kNameEmpty;
  if (GroupNameTaken(cut, group)) return kNameTaken;
  CopyToField(record.name, cut);
  SetGroupRecord(group, record);
  SortGroups();
  return 0;
}

int32_t RenameLayer(int32_t position, std::string_view name) {
  LayerRecord layer;
  if (!GetLayerRecord(position, layer)) return kErrGeneral;
  const std::string oldName = FieldText(layer.name);
  if (IsTemporaryLayerName(oldName)) return kNameNotChangeable;
  const std::string cut = CutName(name, kLayerNameSize);
  if (cut.empty()) return kNameEmpty;
  const int32_t other = LayerNameToIndex(cut);
  if (IsTemporaryLayerName(cut) || (other >= 0 && other != position)) return kNameTaken;
  if (cut == oldName) return 0;
  const int32_t err = RenameLayerFiles(layer.layerID, cut);
  if (err != 0) return err;
  CopyToField(layer.name, cut);
  SetLayerRecord(position, layer);
  GroupRecord group;
  for (int32_t g = 0; GetGroupRecord(g, group); ++g) {
    if (FieldText(group.first) == oldName) CopyToField(group.first, cut);
    if (FieldText(group.last) == oldName) CopyToField(group.last, cut);
    SetGroupRecord(g, group);
  }
  return 0;
}

}  // namespace tlv
