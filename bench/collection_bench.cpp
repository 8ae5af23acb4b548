// Saving and loading collection files: 10,000 and 100,000 entries of an overlay of 1,000,000
// objects. Goal: under a second each for 100,000 entries, and ten times the entries taking under
// fifteen times as long (the ID index is made once per overlay file per load, so a load is not a
// summary walk per line). No other tool reads this format, so nothing is compared.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <filesystem>
#include <string>

#include "catalogue/open_files.h"
#include "edit/life_cycle.h"
#include "search/collection.h"
#include "search/collection_file.h"

namespace {

namespace fs = std::filesystem;
using namespace tlv;

constexpr int32_t kOverlayObjects = 1000000;

struct Scene {
  fs::path root;
  int32_t mapID = 0;
  int32_t overlayID = 0;
  std::vector<int32_t> positions;
  bool ready = false;
};

// One overlay of a million points, made once for every benchmark of the run.
Scene& TheScene() {
  static Scene scene;
  if (scene.ready) return scene;
  scene.root = fs::temp_directory_path() / "tolvane-bench-collection";
  scene.mapID = bench::MakeBenchMapsFolder(scene.root, "County");
  std::string name = "FACILITIES";
  int32_t at = -1;
  AddLayer(name, false, false, false, at);
  LayerRecord layer;
  GetLayerRecord(at, layer);
  scene.overlayID = layer.layerID;
  BeginObjectBatch();
  const std::string prefix;
  ObjectGraphics graphics;
  graphics.symbol = 212;
  graphics.colour = 15;
  scene.positions.reserve(kOverlayObjects);
  for (int32_t i = 0; i < kOverlayObjects; ++i) {
    ObjectID id;
    NewObjectID(id);
    const std::string objectName = "Site " + std::to_string(i);
    const int32_t x = 100000000 + (i % 1000) * 1000, y = 120000000 + (i / 1000) * 1000;
    const WRect rect{x, y, x + 10, y + 10};
    ObjectContents contents;
    contents.prefix = prefix;
    contents.name = objectName;
    contents.graphics = graphics;
    contents.rect = rect;
    int32_t position = -1;
    if (CreateObject(scene.mapID, scene.overlayID, kPointObject, id, contents, position) != 0) {
      return scene;
    }
    scene.positions.push_back(position);
  }
  EndObjectBatch();
  CloseBufferedFiles();
  scene.ready = true;
  return scene;
}

// Every n-th object of the overlay collected, as a search would leave them.
void CollectEvery(const Scene& scene, int32_t entries) {
  ClearSearchCollection();
  const int32_t step = kOverlayObjects / entries;
  BeginCollecting();
  for (int32_t i = 0; i < entries; ++i) {
    AddCollectedObject(scene.mapID, scene.overlayID,
                       scene.positions[static_cast<size_t>(i) * static_cast<size_t>(step)], "Site",
                       0);
  }
  EndCollecting();
}

void BM_SaveCollection(benchmark::State& state) {
  Scene& scene = TheScene();
  if (!scene.ready) {
    state.SkipWithError("the overlay could not be made");
    return;
  }
  const auto entries = static_cast<int32_t>(state.range(0));
  CollectEvery(scene, entries);
  const std::string path = (scene.root / "save.msc").string();
  for (auto _ : state) {
    if (WriteCollectionFile(path) != 0) {
      state.SkipWithError("WriteCollectionFile failed");
      return;
    }
    CloseBufferedFiles();
  }
  state.SetItemsProcessed(state.iterations() * entries);
}

void BM_LoadCollection(benchmark::State& state) {
  Scene& scene = TheScene();
  if (!scene.ready) {
    state.SkipWithError("the overlay could not be made");
    return;
  }
  const auto entries = static_cast<int32_t>(state.range(0));
  CollectEvery(scene, entries);
  const std::string path = (scene.root / "load.msc").string();
  if (WriteCollectionFile(path) != 0) {
    state.SkipWithError("WriteCollectionFile failed");
    return;
  }
  for (auto _ : state) {
    CollectionLoadResult loaded;
    if (ReadCollectionFile(path, kCollectionLoadReplace, &loaded) != 0 || loaded.notFound != 0 ||
        CollectedObjectCount() != entries) {
      state.SkipWithError("ReadCollectionFile failed");
      return;
    }
    CloseBufferedFiles();
  }
  state.SetItemsProcessed(state.iterations() * entries);
}

BENCHMARK(BM_SaveCollection)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCollection)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
