#include "catalogue/map_list.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "base/collate.h"

namespace tlv {

namespace {

struct MapListState {
  Handle maps = nullptr;
  int32_t nextID = kFirstMapID;
  int32_t userMapID = 0;
  // idIndex[|ID| - 1000] is the position of the map with that ID, built for a list of
  // indexedCount maps.
  std::vector<int32_t> idIndex;
  int32_t indexedCount = -1;
  int32_t lastAdded = -1;
  int32_t cachedLookup = -1;
};

MapListState state;

HandleArray<MapRecord> Maps() {
  return HandleArray<MapRecord>(state.maps);
}

bool NameBefore(const MapRecord& a, const MapRecord& b) {
  return CollateCompare(a.name, b.name, kMapNameSize, false) < 0;
}

}  // namespace

Handle MapList() {
  return state.maps;
}

int32_t MapCount() {
  return Maps().Count();
}

bool GetMapRecord(int32_t index, MapRecord& record) {
  if (index < 0 || index >= MapCount()) return false;
  record = Maps().Get(index);
  return true;
}

bool SetMapRecord(int32_t index, const MapRecord& record) {
  if (index < 0 || index >= MapCount()) return false;
  Maps().Set(index, record);
  return true;
}

int32_t MapIDToIndex(int32_t mapID) {
  const HandleArray<MapRecord> maps = Maps();
  const int32_t count = maps.Count();
  if (mapID != 0 && state.indexedCount == count) {
    const int64_t slot = std::llabs(static_cast<int64_t>(mapID)) - kFirstMapID;
    if (slot >= 0 && slot < static_cast<int64_t>(state.idIndex.size())) {
      const int32_t position = state.idIndex[static_cast<size_t>(slot)];
      if (position >= 0 && position < count && maps.Get(position).mapID == mapID) return position;
    }
  }
  for (int32_t i = 0; i < count; ++i) {
    if (maps.Get(i).mapID == mapID) return i;
  }
  return -1;
}

int32_t OverlayFileIndexForID(int32_t mapIndex, int32_t overlayID) {
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) return -1;
  const HandleArray<OverlayFileRecord> files(map.overlayFiles);
  const int32_t count = files.Count();
  for (int32_t i = 0; i < count; ++i) {
    if (files.Get(i).overlayID == overlayID) return i;
  }
  return -1;
}

bool GetOverlayFileRecord(int32_t mapIndex, int32_t fileIndex, OverlayFileRecord& record) {
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) return false;
  const HandleArray<OverlayFileRecord> files(map.overlayFiles);
  if (fileIndex < 0 || fileIndex >= files.Count()) return false;
  record = files.Get(fileIndex);
  return true;
}

bool SetOverlayFileRecord(int32_t mapIndex, int32_t fileIndex, const OverlayFileRecord& record) {
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) return false;
  HandleArray<OverlayFileRecord> files(map.overlayFiles);
  if (fileIndex < 0 || fileIndex >= files.Count()) return false;
  files.Set(fileIndex, record);
  return true;
}

int32_t AppendMapRecord(const MapRecord& record, int32_t& index) {
  index = -1;
  if (state.maps == nullptr) {
    state.maps = MyNewHandle(0);
    if (state.maps == nullptr) return -1;
  }
  HandleArray<MapRecord> maps = Maps();
  if (maps.Append(record) != 0) return -1;
  index = maps.Count() - 1;
  return 0;
}

int32_t AppendOverlayFileRecord(int32_t mapIndex, const OverlayFileRecord& record) {
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) return -1;
  if (map.overlayFiles == nullptr) {
    map.overlayFiles = MyNewHandle(0);
    if (map.overlayFiles == nullptr) return -1;
    Maps().Set(mapIndex, map);
  }
  HandleArray<OverlayFileRecord> files(map.overlayFiles);
  if (files.Append(record) != 0) return -1;
  map.overlayFileCount = files.Count();
  Maps().Set(mapIndex, map);
  return 0;
}

int32_t RemoveOverlayFileRecord(int32_t mapIndex, int32_t fileIndex) {
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) return -1;
  HandleArray<OverlayFileRecord> files(map.overlayFiles);
  if (fileIndex < 0 || fileIndex >= files.Count()) return -1;
  const OverlayFileRecord file = files.Get(fileIndex);
  if (file.sm2Cache != nullptr) MyDisposeHandle(file.sm2Cache);
  files.Remove(fileIndex);
  map.overlayFileCount = files.Count();
  Maps().Set(mapIndex, map);
  return 0;
}

void ReleaseOverlayFileList(Handle files) {
  if (files == nullptr) return;
  const HandleArray<OverlayFileRecord> records(files);
  for (int32_t f = 0; f < records.Count(); ++f) {
    const OverlayFileRecord file = records.Get(f);
    if (file.sm2Cache != nullptr) MyDisposeHandle(file.sm2Cache);
  }
  MyDisposeHandle(files);
}

int32_t DeleteMapFromMapList(Handle list, int32_t position) {
  HandleArray<MapRecord> maps(list);
  if (position < 0 || position >= maps.Count()) return -1;
  const int32_t mapID = maps.Get(position).mapID;
  maps.Remove(position);
  if (list == state.maps) {
    if (mapID != 0 && mapID == state.userMapID) state.userMapID = 0;
    state.cachedLookup = -1;
    if (state.lastAdded == position) {
      state.lastAdded = -1;
    } else if (state.lastAdded > position) {
      --state.lastAdded;
    }
    RebuildMapIDIndex();
  }
  return 0;
}

void ClearMapList() {
  if (state.maps != nullptr) {
    HandleArray<MapRecord> maps = Maps();
    for (int32_t i = 0; i < maps.Count(); ++i) ReleaseOverlayFileList(maps.Get(i).overlayFiles);
    MyDisposeHandle(state.maps);
  }
  state = MapListState();
}

void SortMapListByName(Handle list) {
  HandleArray<MapRecord> maps(list);
  const int32_t count = maps.Count();
  std::vector<MapRecord> records;
  records.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) records.push_back(maps.Get(i));
  std::stable_sort(records.begin(), records.end(), NameBefore);
  for (int32_t i = 0; i < count; ++i) maps.Set(i, records[static_cast<size_t>(i)]);
  if (list == state.maps) {
    state.cachedLookup = -1;
    RebuildMapIDIndex();
  }
}

int32_t MoveMapToSortedPlace(int32_t position) {
  HandleArray<MapRecord> maps = Maps();
  const int32_t count = maps.Count();
  if (position < 0 || position >= count) return -1;
  // The records move within the Handle: no resize, so nothing can fail half-way.
  std::vector<MapRecord> records;
  records.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) records.push_back(maps.Get(i));
  const MapRecord moving = records[static_cast<size_t>(position)];
  records.erase(records.begin() + position);
  // The first place whose name sorts after the moving one keeps equal names in arrival order.
  const auto place = std::upper_bound(records.begin(), records.end(), moving, NameBefore);
  const auto at = static_cast<int32_t>(place - records.begin());
  records.insert(place, moving);
  for (int32_t i = 0; i < count; ++i) maps.Set(i, records[static_cast<size_t>(i)]);
  state.cachedLookup = -1;
  RebuildMapIDIndex();
  return at;
}

int32_t TakeMapID() {
  return state.nextID++;
}

int32_t NextMapIDCounter() {
  return state.nextID;
}

void RecomputeNextMapID() {
  int32_t largest = kFirstMapID - 1;
  const HandleArray<MapRecord> maps = Maps();
  for (int32_t i = 0; i < maps.Count(); ++i) {
    const int32_t id = maps.Get(i).mapID;
    if (id == 0) continue;
    largest = std::max(largest, id < 0 ? -id : id);
  }
  state.nextID = std::max(largest + 1, kFirstMapID);
}

void RebuildMapIDIndex() {
  const HandleArray<MapRecord> maps = Maps();
  const int32_t count = maps.Count();
  state.idIndex.assign(static_cast<size_t>(std::max(state.nextID - kFirstMapID, 0)), -1);
  for (int32_t i = 0; i < count; ++i) {
    const int64_t slot = std::llabs(static_cast<int64_t>(maps.Get(i).mapID)) - kFirstMapID;
    if (slot >= 0 && slot < static_cast<int64_t>(state.idIndex.size())) {
      state.idIndex[static_cast<size_t>(slot)] = i;
    }
  }
  state.indexedCount = count;
}

int32_t RememberedUserMapID() {
  return state.userMapID;
}

void RememberUserMapID(int32_t mapID) {
  state.userMapID = mapID;
}

bool MapIDIndexBuilt() {
  return state.indexedCount >= 0;
}

int32_t LastAddedMapIndex() {
  return state.lastAdded;
}

void SetLastAddedMapIndex(int32_t index) {
  state.lastAdded = index;
}

int32_t CachedNameLookup() {
  return state.cachedLookup;
}

void SetCachedNameLookup(int32_t index) {
  state.cachedLookup = index;
}

}  // namespace tlv
