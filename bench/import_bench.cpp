// Importing interchange files into a fresh maps folder: 1,000,000 simple point records, and
// 10,000 polylines of 100 points each. bench/import_vs_ogr2ogr.sh runs the same points through
// tolvane-cli and through a CSV-to-shapefile conversion side by side.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "base/headless_platform.h"
#include "base/memory.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "edit/life_cycle.h"
#include "interchange/import.h"
#include "store/directory_table.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kPoints = 1000000;
constexpr int32_t kPolylines = 10000;
constexpr int32_t kPolylinePoints = 100;

fs::path BenchRoot() {
  return fs::temp_directory_path() / "tolvane-import-bench";
}

// The input files are made once per run.
const fs::path& PointsFile() {
  static const fs::path path = [] {
    fs::create_directories(BenchRoot());
    const fs::path file = BenchRoot() / "points.mie";
    std::mt19937 random(7);
    std::uniform_real_distribution<double> lon(-79.0, -77.0);
    std::uniform_real_distribution<double> lat(38.0, 40.0);
    FILE* out = std::fopen(file.c_str(), "wb");
    for (int32_t i = 0; i < kPoints; ++i) {
      std::fprintf(out, "%.6f\t%.6f\tSite %d\tPOINTS\tBench\t54\tRED\r\n", lon(random), lat(random),
                   i);
    }
    std::fclose(out);
    return file;
  }();
  return path;
}

const fs::path& PolylinesFile() {
  static const fs::path path = [] {
    fs::create_directories(BenchRoot());
    const fs::path file = BenchRoot() / "polylines.mie";
    std::mt19937 random(11);
    std::uniform_real_distribution<double> start(-79.0, -77.0);
    std::uniform_real_distribution<double> step(-0.001, 0.001);
    FILE* out = std::fopen(file.c_str(), "wb");
    for (int32_t i = 0; i < kPolylines; ++i) {
      std::fprintf(out,
                   "\"\" \"\" \"\" \"1/1/2026\" 2 \"\" \"Road %d\" 0 \"ROADS\" \"Bench\" POLYLINE "
                   "\"\" 0 \"\" 0 ONLY 0\r\nBLACK 1 BLACK NONE {\r\n",
                   i);
      double x = start(random);
      double y = start(random) + 117.0;
      for (int32_t p = 0; p < kPolylinePoints; ++p) {
        std::fprintf(out, " { %s %.6f %.6f }\r\n", p == 0 ? "FROM" : "TO", x, y);
        x += step(random);
        y += step(random);
      }
      std::fprintf(out, "}\r\n");
    }
    std::fclose(out);
    return file;
  }();
  return path;
}

// A maps folder with nothing in it, its catalogue loaded.
void FreshMapsFolder() {
  ReleaseCatalogue();
  ResetOpenFilesForTesting();
  ResetLifeCycleForTesting();
  ResetImportForTesting();
  const fs::path maps = BenchRoot() / "TolvaneMaps";
  fs::remove_all(maps);
  fs::create_directories(maps / "Settings");
  fs::create_directories(maps / "OverlayMaps");
  CatalogueFolders folders;
  RegisterDirectory((maps / "Settings").string() + "/", true, folders.settings);
  RegisterDirectory((maps / "OverlayMaps").string() + "/", true, folders.overlayMaps);
  folders.program = folders.settings;
  SetCatalogueFolders(folders);
  LoadLayers();
  LoadMaps();
}

void RunImport(benchmark::State& state, const fs::path& file, int64_t objects) {
  static bool started = false;
  if (!started) {
    InstallPlatform(&DefaultHeadlessPlatform());
    InitWindowsHandles();
    InitDirectoryTable();
    started = true;
  }
  int32_t folderID = -1;
  RegisterDirectory(file.parent_path().string() + "/", true, folderID);
  for (auto _ : state) {
    state.PauseTiming();
    FreshMapsFolder();
    state.ResumeTiming();
    ImportSummary summary;
    const int32_t err = Import2(0, folderID, file.filename().string(), false, false, &summary);
    CloseBufferedFiles();
    if (err != 0 || summary.created != objects) {
      state.SkipWithError("the import did not make every object");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * objects);
  state.counters["bytes"] = static_cast<double>(fs::file_size(file));
}

void BM_ImportSimplePoints(benchmark::State& state) {
  RunImport(state, PointsFile(), kPoints);
}
BENCHMARK(BM_ImportSimplePoints)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ImportPolylines(benchmark::State& state) {
  RunImport(state, PolylinesFile(), kPolylines);
}
BENCHMARK(BM_ImportPolylines)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace tlv
