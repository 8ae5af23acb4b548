// The search engine on 1,000,000 points: starts-with "mar", contains "nor", and within 1 mile of
// a point, on one overlay imported in grid-cell order (with its ".SM2" index) and on the same
// points imported in random order. bench/search_compare.sh makes the maps folder (maps "Grid" and
// "Random", overlay "POINTS") and names it in TOLVANE_SEARCH_BENCH_MAPS; it also times the same
// queries in sqlite3 and ogrinfo.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/wiring.h"
#include "base/memory.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "render/map_view.h"
#include "search/collection.h"
#include "search/search_engine.h"
#include "store/directory_table.h"

namespace tlv {
namespace {

// The points lie between 79 and 77 W, 38 and 40 N; the distance search is round 78 W 39 N.
constexpr WPoint kCentre{102000000, 129000000};

struct BenchMaps {
  bool ready = false;
  bool failed = false;
  int32_t gridID = 0;
  int32_t randomID = 0;
};

BenchMaps& Maps() {
  static BenchMaps maps;
  if (maps.ready || maps.failed) return maps;
  const char* root = std::getenv("TOLVANE_SEARCH_BENCH_MAPS");
  if (root == nullptr) {
    maps.failed = true;
    return maps;
  }
  namespace fs = std::filesystem;
  InitWindowsHandles();
  InitDirectoryTable();
  WireCore();
  CatalogueFolders folders;
  RegisterDirectory((fs::path(root) / "Settings").string() + "/", true, folders.settings);
  RegisterDirectory((fs::path(root) / "OverlayMaps").string() + "/", true, folders.overlayMaps);
  SetCatalogueFolders(folders);
  LoadLayers();
  LoadMaps();
  MapRecord map;
  if (GetMapRecord(MapNameToIndex("Grid"), map)) maps.gridID = map.mapID;
  if (GetMapRecord(MapNameToIndex("Random"), map)) maps.randomID = map.mapID;
  // The grid-ordered file gets its block index, as the Create Index command makes it.
  const int32_t gridIndex = MapIDToIndex(maps.gridID);
  OverlayFileRecord file;
  for (int32_t f = 0; GetOverlayFileRecord(gridIndex, f, file); ++f) {
    bool written = false;
    WriteSM2File(gridIndex, f, written);
  }
  maps.failed = maps.gridID == 0 || maps.randomID == 0;
  maps.ready = !maps.failed;
  return maps;
}

void Search(benchmark::State& state, int16_t criterion, const char* text, bool grid) {
  BenchMaps& maps = Maps();
  if (!maps.ready) {
    state.SkipWithError("set TOLVANE_SEARCH_BENCH_MAPS (bench/search_compare.sh does)");
    return;
  }
  MarkAllOverlaysForSearch(true);
  MarkAllMapsForSearch(false);
  SetMapSearchMark(grid ? maps.gridID : maps.randomID, true);
  SetClickPoint(kCentre);
  SearchCriteria c;
  c.criterion = criterion;
  c.nameText = text;
  c.distanceText = "1";
  c.distanceUnit = 5;
  c.reference = kReferenceClickPoint;
  SetSearchCriteria(c);
  for (auto _ : state) {
    RunSearch();
    benchmark::DoNotOptimize(CollectedObjectCount());
  }
  state.counters["found"] = CollectedObjectCount();
}

void BM_StartsWithMar(benchmark::State& state) {
  Search(state, kSearchStartsWith, "mar", state.range(0) != 0);
}
void BM_ContainsNor(benchmark::State& state) {
  Search(state, kSearchContains, "nor", state.range(0) != 0);
}
void BM_WithinOneMile(benchmark::State& state) {
  Search(state, kSearchWithin, "", state.range(0) != 0);
}

// Argument 1: the grid-ordered overlay with its index; 0: random order.
BENCHMARK(BM_StartsWithMar)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContainsNor)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WithinOneMile)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tlv
