#include "catalogue/map_list.h"

namespace tlv {

namespace {

struct MapListState {
  Handle maps = nullptr;
};

MapListState state;

HandleArray<MapRecord> Maps() {
  return HandleArray<MapRecord>(state.maps);
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

int32_t MapIDToIndex(int32_t mapID) {
  const HandleArray<MapRecord> maps = Maps();
  const int32_t count = maps.Count();
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

void ClearMapList() {
  if (state.maps == nullptr) return;
  HandleArray<MapRecord> maps = Maps();
  for (int32_t i = 0; i < maps.Count(); ++i) {
    const MapRecord map = maps.Get(i);
    if (map.overlayFiles == nullptr) continue;
    const HandleArray<OverlayFileRecord> files(map.overlayFiles);
    for (int32_t f = 0; f < files.Count(); ++f) {
      const OverlayFileRecord file = files.Get(f);
      if (file.sm2Cache != nullptr) MyDisposeHandle(file.sm2Cache);
    }
    MyDisposeHandle(map.overlayFiles);
  }
  MyDisposeHandle(state.maps);
  state.maps = nullptr;
}

}  // namespace tlv
