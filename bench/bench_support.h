// A maps folder made from scratch for the benchmarks: Settings, OverlayMaps with one map, the
// catalogues loaded, every module state fresh.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/memory.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/life_cycle.h"
#include "store/directory_table.h"

namespace tlv::bench {

// Makes root (removing what was there) with one map named mapName and loads the catalogues;
// returns the map's ID.
inline int32_t MakeBenchMapsFolder(const std::filesystem::path& root, const std::string& mapName) {
  namespace fs = std::filesystem;
  fs::remove_all(root);
  fs::create_directories(root / "Settings");
  fs::create_directories(root / "OverlayMaps" / mapName);
  std::string nameDotMap(56, '\0');
  nameDotMap.replace(0, mapName.size(), mapName);
  nameDotMap.replace(46, 5, "00000");
  std::ofstream(root / "OverlayMaps" / mapName / "NAME.MAP", std::ios::binary) << nameDotMap;
  InitWindowsHandles();
  ResetDirectoryTableForTesting();
  ResetOpenFilesForTesting();
  ResetWalksForTesting();
  ClearMapList();
  ResetLayersForTesting();
  ResetLifeCycleForTesting();
  CatalogueFolders folders;
  RegisterDirectory((root / "Settings").string() + "/", true, folders.settings);
  RegisterDirectory((root / "OverlayMaps").string() + "/", true, folders.overlayMaps);
  SetCatalogueFolders(folders);
  LoadLayers();
  LoadMaps();
  MapRecord map;
  GetMapRecord(MapNameToIndex(mapName), map);
  return map.mapID;
}

}  // namespace tlv::bench
