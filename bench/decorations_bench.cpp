// What the grid and the decorations add to a drawing pass of 1024 x 768 with the Qt surface the
// map window uses: the pass alone, with the latitude/longitude grid and its minor lines, and with
// every decoration (grid, scale bar, compass, time stamp, legend and the reference view's inset);
// also laying the decorations alone over a kept pass, as the window does when one is dragged,
// and UpdateReferenceView searching 500 view files.
//
// The scene is 1,000,000 points made here, or, with TOLVANE_BENCH_MAPS=DIR, the maps folder DIR
// holding the demo county (bench/grid_compare.sh imports it). With TOLVANE_BENCH_EXPORT=DIR the
// points are also written as WKT (points.csv) with the view's extent (extent.txt), so that
// bench/grid_compare.sh can draw them with another renderer.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/map_decorations.h"
#include "app/preferences.h"
#include "app/reference_views.h"
#include "app/wiring.h"
#include "catalogue/views.h"
#include "render/draw_map.h"
#include "render/graphics_tables.h"
#include "render/map_view.h"
#include "render/qt/qt_draw_port.h"
#include "render/qt/qt_rendering.h"

namespace {

namespace fs = std::filesystem;
using namespace tlv;

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int32_t kPointCount = 1000000;
constexpr int32_t kViewFiles = 500;
// 100 to 90 W, 30 to 37.5 N.
constexpr WRect kPointsExtent{80000000, 120000000, 90000000, 127500000};
// The demo county: 78.62 to 78.0 W, 38.4 to 38.84 N.
constexpr WRect kCountyExtent{101380000, 128400000, 102000000, 128840000};

struct Random {
  uint64_t state = 0x2545F4914F6CDD1Dull;
  uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<uint32_t>(state >> 11);
  }
  int32_t Between(int32_t low, int32_t high) {
    return low + static_cast<int32_t>(Next() % static_cast<uint32_t>(high - low + 1));
  }
};

std::string Degrees(int32_t world, int32_t offset) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", (world - offset) / 1000000.0);
  return text;
}

void MakePoints(int32_t mapID, std::ofstream* csv) {
  std::string name = "POINTS";
  int32_t position = -1;
  AddLayer(name, false, false, false, position);
  LayerRecord layer;
  GetLayerRecord(position, layer);
  Random random;
  ObjectGraphics graphics;
  graphics.symbol = 212;
  graphics.colour = kColourBlack;
  graphics.variant = 3;
  if (csv != nullptr) *csv << "id,WKT\n";
  BeginObjectBatch();
  for (int32_t i = 0; i < kPointCount; ++i) {
    const int32_t x = random.Between(kPointsExtent.x1, kPointsExtent.x2);
    const int32_t y = random.Between(kPointsExtent.y1, kPointsExtent.y2);
    ObjectContents contents;
    contents.graphics = graphics;
    contents.rect = {x, y, x, y};
    ObjectID id;
    NewObjectID(id);
    int32_t made = -1;
    CreateObject(mapID, layer.layerID, kPointObject, id, contents, made);
    if (csv != nullptr) {
      *csv << i << ",\"POINT (" << Degrees(x, 180000000) << " " << Degrees(y, 90000000) << ")\"\n";
    }
  }
  EndObjectBatch();
  FlushBufferedFiles();
  CloseBufferedFiles();
}

// A maps folder that exists (the demo county imported by tolvane-cli), its catalogues loaded.
void OpenMapsFolder(const fs::path& root) {
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
}

// 500 saved views of which only the last, small one holds the view: the search reads them all.
void MakeViewFiles(const fs::path& root, const WRect& extent) {
  const fs::path views = root / "Settings" / "Views";
  fs::create_directories(views);
  for (int32_t i = 0; i < kViewFiles; ++i) {
    ViewRecord view;
    std::snprintf(view.name, sizeof view.name, "View %d", i);
    std::snprintf(view.fileName, sizeof view.fileName, "View %d.VEW", i);
    const bool holds = i == kViewFiles - 1;
    const int32_t shift = holds ? 0 : (extent.x2 - extent.x1) * 2;
    view.rect = {extent.x1 - 1000 + shift, extent.y1 - 1000, extent.x2 + 1000 + shift,
                 extent.y2 + 1000};
    view.scale = 100000;
    char bytes[kViewFileSize] = {};
    EncodeSavedViewImage(view, bytes);
    std::ofstream(views / view.fileName, std::ios::binary).write(bytes, sizeof bytes);
  }
  int32_t folderID = -1;
  RegisterDirectory(views.string() + "/", true, folderID);
  SetViewFolders(0, folderID, -1);
}

struct Scene {
  bool ready = false;
  bool county = false;
  fs::path root;
  WRect extent;
};

Scene& TheScene() {
  static Scene scene;
  if (scene.ready) return scene;
  static int argc = 1;
  static char name[] = "decorations_bench";
  static char* argv[] = {name, nullptr};
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
  InstallQtDrawing();
  WireCore();
  SetDefaultPreferences();
  const char* maps = std::getenv("TOLVANE_BENCH_MAPS");
  if (maps != nullptr && maps[0] != '\0') {
    scene.county = true;
    scene.root = maps;
    scene.extent = kCountyExtent;
    OpenMapsFolder(scene.root);
  } else {
    scene.root = fs::temp_directory_path() / "tolvane-bench-decorations";
    scene.extent = kPointsExtent;
    const int32_t mapID = bench::MakeBenchMapsFolder(scene.root, "Plains");
    const char* exportDir = std::getenv("TOLVANE_BENCH_EXPORT");
    std::ofstream csv;
    if (exportDir != nullptr && exportDir[0] != '\0') csv.open(fs::path(exportDir) / "points.csv");
    MakePoints(mapID, csv.is_open() ? &csv : nullptr);
  }
  // The shipped compass when run from the source tree, else a square of the same size.
  PictureImage compass;
  if (!ReadPictureWithQt("data/compass.png", compass)) {
    compass.width = 44;
    compass.height = 60;
    compass.pixels.assign(44 * 60, 0xFF000000);
  }
  SetCompassPicture(compass);
  SetMapArea({0, 0, kWidth, kHeight});
  FitWorldRect(scene.extent);
  MakeViewFiles(scene.root, ViewWorldRect());
  scene.ready = true;
  if (const char* out = std::getenv("TOLVANE_BENCH_EXPORT"); out != nullptr && out[0] != '\0') {
    const WRect r = ViewWorldRect();
    std::ofstream(fs::path(out) / (scene.county ? "county_extent.txt" : "extent.txt"))
        << Degrees(r.x1, 180000000) << " " << Degrees(r.y1, 90000000) << " "
        << Degrees(r.x2, 180000000) << " " << Degrees(r.y2, 90000000) << "\n";
  }
  return scene;
}

enum class Extras { kNone, kGrid, kAll };

void ShowExtras(Extras extras) {
  const int32_t grid = extras != Extras::kNone ? 1 : 0;
  const int32_t all = extras == Extras::kAll ? 1 : 0;
  SetPref(Pref::kGridShown, grid);
  SetPref(Pref::kGridMinorLines, grid);
  SetPref(Pref::kScaleBarShown, all);
  SetPref(Pref::kScaleBarBothUnits, all);
  SetPref(Pref::kScaleBarInchLine, all);
  SetPref(Pref::kCompassShown, all);
  SetPref(Pref::kTimeStampShown, all);
  SetPref(Pref::kLegendShown, all);
  SetPref(Pref::kShowReferenceView, 0);
}

void Pass(benchmark::State& state, Extras extras) {
  const Scene& scene = TheScene();
  ShowExtras(extras);
  const MapView view = CurrentMapView();
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  DrawMapRequest request;
  request.fatLines = true;
  request.interrupted = [] { return false; };
  for (auto _ : state) {
    image.fill(Qt::white);
    QtDrawPort port(image, DeviceKind::kScreen);
    benchmark::DoNotOptimize(DrawMap(port, view, {0, 0, kWidth, kHeight}, request));
  }
  state.counters["scale"] = view.scale;
  if (const char* out = std::getenv("TOLVANE_BENCH_EXPORT"); out != nullptr && out[0] != '\0') {
    const char* names[] = {"pass", "grid", "all"};
    image.save(
        QString::fromStdString((fs::path(out) / (std::string(scene.county ? "county_" : "points_") +
                                                 names[static_cast<int>(extras)] + ".png"))
                                   .string()));
  }
}

void BM_Pass(benchmark::State& state) {
  Pass(state, Extras::kNone);
}
void BM_PassWithGrid(benchmark::State& state) {
  Pass(state, Extras::kGrid);
}
void BM_PassWithAllDecorations(benchmark::State& state) {
  Pass(state, Extras::kAll);
}

// The window's part when a decoration moves: the kept pass copied and the decorations laid over
// it (no pass).
void BM_ComposeDecorations(benchmark::State& state) {
  TheScene();
  ShowExtras(Extras::kAll);
  const MapView view = CurrentMapView();
  QImage pass(kWidth, kHeight, QImage::Format_RGB32);
  pass.fill(Qt::white);
  for (auto _ : state) {
    QImage image = pass.copy();
    QtDrawPort port(image, DeviceKind::kScreen);
    DrawMapDecorationsOver(port, view, {0, 0, kWidth, kHeight});
    benchmark::DoNotOptimize(image.bits());
  }
}

void BM_UpdateReferenceView500Files(benchmark::State& state) {
  TheScene();
  SetPref(Pref::kShowReferenceView, 1);
  SetPref(Pref::kAllowAnyViewInReference, 0);
  // The chosen view lies elsewhere, so every update searches all 500 files.
  ViewRecord away;
  std::strncpy(away.name, "Away", sizeof away.name - 1);
  std::strncpy(away.fileName, "Away.VEW", sizeof away.fileName - 1);
  away.rect = {0, 0, 1000, 1000};
  away.scale = 1000;
  for (auto _ : state) {
    ChooseReferenceView(away);
    UpdateReferenceView();
  }
  if (std::strcmp(ReferenceViewInUse().name, "View 499") != 0) {
    state.SkipWithError("the smallest view holding the current one was not found");
  }
  SetPref(Pref::kShowReferenceView, 0);
}

BENCHMARK(BM_Pass)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PassWithGrid)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PassWithAllDecorations)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ComposeDecorations)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_UpdateReferenceView500Files)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
