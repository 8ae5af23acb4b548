// The drawing pass on large overlays: 1,000,000 points, and separately 100,000 polylines of 20
// points, drawn into a 1024 x 768 image with the Qt surface the map window uses, and the
// 1,000,000 points printed on one Letter page of a PDF file as the Print command does. With
// TOLVANE_BENCH_EXPORT=DIR the same objects are also written as WKT CSV files (points.csv,
// lines.csv) so that bench/render_compare.sh and bench/print_compare.sh can draw them with
// another renderer, and the last PDF is kept there as tolvane_points.pdf.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <cstdio>
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
#include "edit/life_cycle.h"
#include "geometry/geo_settings.h"
#include "render/draw_map.h"
#include "render/graphics_tables.h"
#include "render/map_view.h"
#include "render/print_layout.h"
#include "render/qt/print_pages.h"
#include "render/qt/qt_draw_port.h"
#include "store/directory_table.h"
#include "store/summary.h"

namespace {

namespace fs = std::filesystem;
using namespace tlv;

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int32_t kPointCount = 1000000;
constexpr int32_t kLineCount = 100000;
constexpr int32_t kLinePoints = 20;
// 100 to 90 W, 30 to 37.5 N.
constexpr int32_t kLeft = 80000000;
constexpr int32_t kRight = 90000000;
constexpr int32_t kBottom = 120000000;
constexpr int32_t kTop = 127500000;

// A fixed sequence, so every run (and the exported files) holds the same objects.
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

struct Scene {
  fs::path root;
  int32_t mapID = 0;
  int32_t pointsIndex = -1;
  int32_t linesIndex = -1;
  bool ready = false;
};

std::string Degrees(int32_t world, int32_t offset) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", (world - offset) / 1000000.0);
  return text;
}

int32_t AddOverlay(const std::string& overlay) {
  std::string name = overlay;
  int32_t position = -1;
  AddLayer(name, false, false, false, position);
  return position;
}

int32_t OverlayID(int32_t index) {
  LayerRecord layer;
  GetLayerRecord(index, layer);
  return layer.layerID;
}

void MakePoints(Scene& scene, std::ofstream* csv) {
  Random random;
  const std::string empty;
  ObjectGraphics graphics;
  graphics.symbol = 212;
  graphics.colour = kColourBlack;
  graphics.variant = 3;  // dots of 4 pixels with the fat-line setting
  if (csv != nullptr) *csv << "id,WKT\n";
  BeginObjectBatch();
  for (int32_t i = 0; i < kPointCount; ++i) {
    const int32_t x = random.Between(kLeft, kRight);
    const int32_t y = random.Between(kBottom, kTop);
    const WRect rect{x, y, x, y};
    ObjectContents contents;
    contents.prefix = empty;
    contents.name = empty;
    contents.graphics = graphics;
    contents.rect = rect;
    ObjectID id;
    NewObjectID(id);
    int32_t position = -1;
    CreateObject(scene.mapID, OverlayID(scene.pointsIndex), kPointObject, id, contents, position);
    if (csv != nullptr) {
      *csv << i << ",\"POINT (" << Degrees(x, 180000000) << " " << Degrees(y, 90000000) << ")\"\n";
    }
  }
  EndObjectBatch();
}

void MakeLines(Scene& scene, std::ofstream* csv) {
  Random random;
  const std::string empty;
  ObjectGraphics graphics;
  graphics.colour = kColourBlack;
  graphics.variant = 1;
  graphics.lineType = kLineSolid;
  graphics.fillPattern = kPatternNone;
  if (csv != nullptr) *csv << "id,WKT\n";
  BeginObjectBatch();
  for (int32_t i = 0; i < kLineCount; ++i) {
    Handle points = MyNewHandle(kLinePoints * static_cast<int32_t>(sizeof(WPoint)));
    HandleArray<WPoint> list(points);
    int32_t x = random.Between(kLeft + 200000, kRight - 200000);
    int32_t y = random.Between(kBottom + 200000, kTop - 200000);
    WRect bounds = kUnionStartRect;
    if (csv != nullptr) *csv << i << ",\"LINESTRING (";
    for (int32_t p = 0; p < kLinePoints; ++p) {
      list.Set(p, {x, y});
      UnionWRect(bounds, WRect{x, y, x, y});
      if (csv != nullptr) {
        *csv << (p > 0 ? ", " : "") << Degrees(x, 180000000) << " " << Degrees(y, 90000000);
      }
      x += random.Between(-10000, 10000);
      y += random.Between(-10000, 10000);
    }
    if (csv != nullptr) *csv << ")\"\n";
    ObjectContents contents;
    contents.prefix = empty;
    contents.name = empty;
    contents.graphics = graphics;
    contents.rect = bounds;
    contents.points = points;
    ObjectID id;
    NewObjectID(id);
    int32_t position = -1;
    CreateObject(scene.mapID, OverlayID(scene.linesIndex), kPolylineObject, id, contents, position);
    MyDisposeHandle(points);
  }
  EndObjectBatch();
}

Scene& TheScene() {
  static Scene scene;
  if (scene.ready) return scene;
  static int argc = 1;
  static char name[] = "render_bench";
  static char* argv[] = {name, nullptr};
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
  scene.root = fs::temp_directory_path() / "tolvane-bench-render";
  scene.mapID = tlv::bench::MakeBenchMapsFolder(scene.root, "Plains");
  scene.pointsIndex = AddOverlay("POINTS");
  scene.linesIndex = AddOverlay("LINES");
  const char* exportDir = std::getenv("TOLVANE_BENCH_EXPORT");
  std::ofstream pointsCsv, linesCsv;
  if (exportDir != nullptr && exportDir[0] != '\0') {
    pointsCsv.open(fs::path(exportDir) / "points.csv");
    linesCsv.open(fs::path(exportDir) / "lines.csv");
  }
  MakePoints(scene, pointsCsv.is_open() ? &pointsCsv : nullptr);
  MakeLines(scene, linesCsv.is_open() ? &linesCsv : nullptr);
  FlushBufferedFiles();
  CloseBufferedFiles();
  scene.ready = true;
  return scene;
}

void ShowOnly(const Scene& scene, int32_t shown) {
  for (int32_t index : {scene.pointsIndex, scene.linesIndex}) {
    LayerRecord layer;
    GetLayerRecord(index, layer);
    layer.displayMode = index == shown ? kDisplayShow : kDisplayHide;
    SetLayerRecord(index, layer);
  }
}

void DrawOverlay(benchmark::State& state, bool points) {
  Scene& scene = TheScene();
  ShowOnly(scene, points ? scene.pointsIndex : scene.linesIndex);
  SetMapArea({0, 0, kWidth, kHeight});
  FitWorldRect({kLeft, kBottom, kRight, kTop});
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
    image.save(QString::fromStdString(
        (fs::path(out) / (points ? "tolvane_points.png" : "tolvane_lines.png")).string()));
    std::ofstream(fs::path(out) / "extent.txt")
        << Degrees(view.left, 180000000) << " " << Degrees(ViewWorldRect().y1, 90000000) << " "
        << Degrees(ViewWorldRect().x2, 180000000) << " " << Degrees(view.top, 90000000) << "\n";
  }
}

void BM_DrawMillionPoints(benchmark::State& state) {
  DrawOverlay(state, true);
}
void BM_DrawHundredThousandPolylines(benchmark::State& state) {
  DrawOverlay(state, false);
}

// One Letter page at 300 dots per inch, the map fitted to it, as the Print command prints it.
void BM_PrintMillionPointsToPdf(benchmark::State& state) {
  Scene& scene = TheScene();
  ShowOnly(scene, scene.pointsIndex);
  SetMapArea({0, 0, kWidth, kHeight});
  FitWorldRect({kLeft, kBottom, kRight, kTop});
  const char* exportDir = std::getenv("TOLVANE_BENCH_EXPORT");
  const fs::path out =
      (exportDir != nullptr && exportDir[0] != '\0' ? fs::path(exportDir) : scene.root) /
      "tolvane_points.pdf";
  PrintJob job;
  job.view = CurrentMapView();
  job.viewWidth = kWidth;
  job.viewHeight = kHeight;
  job.screenPixelsPerInch = 96;
  job.title = QStringLiteral("Points");
  job.request.fatLines = true;
  job.request.interrupted = [] { return false; };
  int64_t bytes = 0;
  for (auto _ : state) {
    {
      QPdfWriter writer(QString::fromStdString(out.string()));
      writer.setResolution(300);
      writer.setPageLayout(
          QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
      PrintContext context;
      context.viewWidth = kWidth;
      context.viewHeight = kHeight;
      context.viewScale = job.view.scale;
      const WRect shown = ViewWorldRect();
      context.viewWorldHeight = static_cast<double>(shown.y2) - shown.y1;
      context.k = ViewScaleFactorK();
      context.screenPixelsPerInch = 96;
      context.printable = DevicePrintableRect(writer, 96);
      job.layout = OpeningPrintLayout(PrintSizeChoice::kFitToPage, kUnitMiles, context);
      PrintOutcome outcome;
      if (PrintMapPages(writer, job, outcome) != 0) state.SkipWithError("printing failed");
    }
    bytes = static_cast<int64_t>(fs::file_size(out));
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

BENCHMARK(BM_DrawMillionPoints)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_DrawHundredThousandPolylines)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_PrintMillionPointsToPdf)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
