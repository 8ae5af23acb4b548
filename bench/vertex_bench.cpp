// Finding, inserting and deleting single points of one polyline of 100,000 points, each edit with
// its undo record. An insertion into a record with room writes the points after it again; one
// into a record without room makes the record anew first.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <filesystem>
#include <string>
#include <vector>

#include "edit/selection.h"
#include "edit/stored_segments.h"
#include "edit/undo.h"
#include "edit/vertex_edit.h"

namespace {

namespace fs = std::filesystem;
using namespace tlv;

constexpr int32_t kPoints = 100000;
constexpr int32_t kLeft = 100000000;
constexpr int32_t kBottom = 120000000;
constexpr int32_t kStep = 100;  // world units between points, along x

struct Scene {
  fs::path root;
  ObjectRef line;
  WPoint click{0, 0};
};

// A view in which a pixel covers a tenth of a line, so only the line under the click is near.
ViewMapping Mapping() {
  return {{kLeft, kBottom - 5000, kLeft + 10000, kBottom + 5000}, {0, 0, 1000, 1000}};
}

Scene MakeScene(const std::string& tag, int32_t spareBytes) {
  Scene scene;
  scene.root = fs::temp_directory_path() / ("tolvane-bench-vertex-" + tag);
  const int32_t mapID = bench::MakeBenchMapsFolder(scene.root, "County");
  std::string name = "ROADS";
  int32_t layerPosition = -1;
  AddLayer(name, false, false, false, layerPosition);
  LayerRecord layer;
  GetLayerRecord(layerPosition, layer);
  std::vector<StoredSegmentState> segments(kPoints);
  for (int32_t i = 0; i < kPoints; ++i) {
    // A gentle zigzag, so no two lines are the same.
    segments[static_cast<size_t>(i)].x = static_cast<uint32_t>(kLeft + i * kStep);
    segments[static_cast<size_t>(i)].y = kBottom + (i % 2) * 3;
  }
  ObjectID id;
  NewObjectID(id);
  int32_t position = -1;
  CreateEmptyObject(mapID, layer.layerID, kPolylineObject, id, 8, 0, kPoints,
                    kPoints * kPlainSegmentSize + spareBytes, position);
  WriteSegments(mapID, layer.layerID, position, segments, "bench");
  const WRect rect{kLeft, kBottom, kLeft + (kPoints - 1) * kStep, kBottom + 3};
  ChangeObjectWRect(mapID, layer.layerID, position, &rect, 0, 0);
  scene.line = {mapID, layer.layerID, position};
  ResetSelectionForTesting();
  AddSelectedObject(mapID, layer.layerID, position);
  return scene;
}

void UseClick(Scene& scene, int32_t segment) {
  scene.click = {kLeft + segment * kStep - kStep / 2, kBottom + 1};
  VertexEditHooks hooks;
  hooks.clickPoint = [&scene] { return scene.click; };
  hooks.viewMapping = Mapping;
  SetVertexEditHooks(hooks);
}

// The search walks every line up to the one found: the last is the slowest.
void BM_FindLastSegment(benchmark::State& state) {
  Scene scene = MakeScene("find", 0);
  UseClick(scene, kPoints - 1);
  for (auto _ : state) {
    if (FindVertex(scene.line, false) != 0) state.SkipWithError("not found");
    benchmark::DoNotOptimize(FoundVertex().segment);
  }
  fs::remove_all(scene.root);
}
BENCHMARK(BM_FindLastSegment)->Unit(benchmark::kMillisecond);

// An insertion near the start moves every later point up; Undo takes it out again (untimed).
void BM_InsertWithRoom(benchmark::State& state) {
  Scene scene = MakeScene("insert", kPlainSegmentSize);
  UseClick(scene, 1);
  for (auto _ : state) {
    if (InsertVertexAtClickPoint() != 0) state.SkipWithError("insert failed");
    state.PauseTiming();
    if (Undo() != 0) state.SkipWithError("undo failed");
    state.ResumeTiming();
  }
  fs::remove_all(scene.root);
}
BENCHMARK(BM_InsertWithRoom)->Unit(benchmark::kMillisecond);

// The first insertion into a record made without spare room copies it to a bigger one.
void BM_InsertRecreatingTheRecord(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Scene scene = MakeScene("recreate", 0);
    UseClick(scene, 1);
    state.ResumeTiming();
    if (InsertVertexAtClickPoint() != 0) state.SkipWithError("insert failed");
    state.PauseTiming();
    fs::remove_all(scene.root);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_InsertRecreatingTheRecord)->Unit(benchmark::kMillisecond)->Iterations(5);

// A deletion near the start moves every later point down; Undo puts it back (untimed).
void BM_DeleteNearTheStart(benchmark::State& state) {
  Scene scene = MakeScene("delete", 0);
  UseClick(scene, 2);
  for (auto _ : state) {
    if (DeleteVertex() != 0) state.SkipWithError("delete failed");
    state.PauseTiming();
    if (Undo() != 0) state.SkipWithError("undo failed");
    RemoveAllSelectedObjects();
    AddSelectedObject(scene.line.mapID, scene.line.overlayID, scene.line.position);
    state.ResumeTiming();
  }
  fs::remove_all(scene.root);
}
BENCHMARK(BM_DeleteNearTheStart)->Unit(benchmark::kMillisecond);

// Undo of an insertion: the same work as the deletion, from the undo record.
void BM_UndoInsert(benchmark::State& state) {
  Scene scene = MakeScene("undo", kPlainSegmentSize);
  UseClick(scene, 1);
  for (auto _ : state) {
    state.PauseTiming();
    if (InsertVertexAtClickPoint() != 0) state.SkipWithError("insert failed");
    state.ResumeTiming();
    if (Undo() != 0) state.SkipWithError("undo failed");
  }
  fs::remove_all(scene.root);
}
BENCHMARK(BM_UndoInsert)->Unit(benchmark::kMillisecond);

}  // namespace
