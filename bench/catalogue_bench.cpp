// Loading a maps folder of 500 maps with 20 overlay files each (10,000 overlay files): the
// overlay catalogue, then the map catalogue with every ".LYR" header read and every ".OBJ" and
// ".SUM" file opened once, as start-up does. The folder is made once; the runs are warm.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "store/directory_table.h"

namespace tlv {
namespace {

constexpr int32_t kMaps = 500;
constexpr int32_t kFilesPerMap = 20;

void WriteBytes(const std::filesystem::path& path, const char* bytes, size_t size) {
  std::ofstream(path, std::ios::binary).write(bytes, static_cast<std::streamsize>(size));
}

struct BenchFolder {
  std::filesystem::path root;
  bool ready = false;
};

BenchFolder& Folder() {
  static BenchFolder folder;
  if (folder.ready) return folder;
  folder.root = std::filesystem::temp_directory_path() / "tolvane-catalogue-bench";
  std::filesystem::remove_all(folder.root);
  const auto overlayMaps = folder.root / "OverlayMaps";
  std::filesystem::create_directories(folder.root / "Settings");
  for (int32_t m = 0; m < kMaps; ++m) {
    const auto map = overlayMaps / ("Map " + std::to_string(m));
    std::filesystem::create_directories(map);
    NameDotMap record;
    record.name = "Map " + std::to_string(m);
    char nameDotMap[kNameDotMapSize];
    EncodeNameDotMap(record, nameDotMap);
    WriteBytes(map / "NAME.MAP", nameDotMap, sizeof nameDotMap);
    for (int32_t f = 0; f < kFilesPerMap; ++f) {
      const std::string base = "LAYER" + std::to_string(f);
      LayerFileHeader header;
      header.name = "Overlay " + std::to_string(f);
      header.bounds = {1000 * f, 1000 * m, 1000 * f + 500, 1000 * m + 500};
      header.objectCount = f + m;
      char bytes[kLayerFileHeaderSize];
      EncodeLayerFileHeader(header, bytes);
      WriteBytes(map / (base + ".LYR"), bytes, sizeof bytes);
      WriteBytes(map / (base + ".OBJ"), "", 0);
      WriteBytes(map / (base + ".SUM"), "", 0);
    }
  }
  InitDirectoryTable();
  CatalogueFolders ids;
  RegisterDirectory(folder.root.string() + "/Settings/", true, ids.settings);
  RegisterDirectory(overlayMaps.string() + "/", true, ids.overlayMaps);
  SetCatalogueFolders(ids);
  folder.ready = true;
  return folder;
}

void BM_LoadCatalogue(benchmark::State& state) {
  Folder();
  int32_t maps = 0;
  for (auto _ : state) {
    if (LoadLayers() != 0 || LoadMaps() != 0) std::abort();
    maps = MapCount();
    benchmark::DoNotOptimize(maps);
  }
  state.counters["maps"] = maps;
  state.counters["overlays"] = LayerCount();
  CloseBufferedFiles();
}
BENCHMARK(BM_LoadCatalogue)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
}  // namespace tlv
