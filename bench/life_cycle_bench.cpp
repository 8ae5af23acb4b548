// Creating point objects on one overlay file with CreateObject, one by one and in a batch.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "base/memory.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "edit/life_cycle.h"
#include "store/directory_table.h"
#include "store/summary.h"

namespace {

namespace fs = std::filesystem;
using namespace tlv;

struct Scene {
  fs::path root;
  int32_t mapID = 0;
  int32_t overlayID = 0;
};

Scene MakeScene(const std::string& tag) {
  Scene scene;
  scene.root = fs::temp_directory_path() / ("tolvane-bench-life-" + tag);
  scene.mapID = bench::MakeBenchMapsFolder(scene.root, "County");
  std::string name = "FACILITIES";
  int32_t position = -1;
  AddLayer(name, false, false, false, position);
  LayerRecord layer;
  GetLayerRecord(position, layer);
  scene.overlayID = layer.layerID;
  return scene;
}

void CreatePoints(benchmark::State& state, bool batch) {
  const int32_t count = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    Scene scene = MakeScene(batch ? "batch" : "single");
    state.ResumeTiming();
    if (batch) BeginObjectBatch();
    const std::string prefix;
    ObjectGraphics graphics;
    graphics.symbol = 212;
    graphics.colour = 15;
    for (int32_t i = 0; i < count; ++i) {
      ObjectID id;
      NewObjectID(id);
      const std::string name = "Site " + std::to_string(i);
      const int32_t x = 100000000 + (i % 1000) * 1000, y = 120000000 + (i / 1000) * 1000;
      const WRect rect{x, y, x + 10, y + 10};
      ObjectContents contents;
      contents.prefix = prefix;
      contents.name = name;
      contents.graphics = graphics;
      contents.rect = rect;
      int32_t position = -1;
      if (CreateObject(scene.mapID, scene.overlayID, kPointObject, id, contents, position) != 0) {
        state.SkipWithError("CreateObject failed");
        return;
      }
    }
    if (batch) EndObjectBatch();
    CloseBufferedFiles();
    state.PauseTiming();
    ReleaseCatalogue();
    fs::remove_all(scene.root);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_CreateObjectOneByOne(benchmark::State& state) {
  CreatePoints(state, false);
}
void BM_CreateObjectBatch(benchmark::State& state) {
  CreatePoints(state, true);
}

BENCHMARK(BM_CreateObjectOneByOne)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CreateObjectBatch)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
