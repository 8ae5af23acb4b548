// Walking the summary file of an overlay with 1,000,000 objects: the whole file, and with a
// search rectangle of about 1 % of the overlay's area through the ".SM2" block index.
//
// The objects are made in the order of a 40 x 25 grid of cells, 1000 objects per cell (as an
// import of tiled data makes them), so each block of 1000 records covers one cell.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "base/endian.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "store/directory_table.h"

namespace tlv {
namespace {

constexpr int32_t kRecords = 1000000;
constexpr int32_t kColumns = 40;
constexpr int32_t kRows = 25;
constexpr int32_t kCell = 100000;  // world units, a tenth of a degree
constexpr int32_t kWest = 100000000;
constexpr int32_t kSouth = 50000000;

struct BenchOverlay {
  std::filesystem::path folder;
  int32_t mapIndex = -1;
  std::vector<char> image;  // the summary file's bytes, for the in-memory baseline
  bool ready = false;
};

BenchOverlay& Overlay() {
  static BenchOverlay overlay;
  if (overlay.ready) return overlay;
  overlay.folder = std::filesystem::temp_directory_path() / "tolvane-summary-bench";
  std::filesystem::remove_all(overlay.folder);
  std::filesystem::create_directories(overlay.folder);
  std::mt19937 random(42);
  std::uniform_int_distribution<int32_t> within(0, kCell - 200);
  std::uniform_int_distribution<int32_t> extent(0, 200);
  overlay.image.resize(static_cast<size_t>(kRecords) * kSummaryRecordSize);
  for (int32_t i = 0; i < kRecords; ++i) {
    const int32_t cell = i / kSM2BlockRecords;
    const int32_t x = kWest + (cell % kColumns) * kCell + within(random);
    const int32_t y = kSouth + (cell / kColumns) * kCell + within(random);
    SummaryRecord r;
    // One object in fifty is deleted, as in an overlay that has been edited.
    r.position = i % 50 == 7 ? ~(i * 120) : i * 120;
    r.worldRect = {x, y, x + extent(random), y + extent(random)};
    r.idHigh = 0x7000;
    r.idLow = i;
    std::memcpy(r.nameStart, "Obj", 3);
    buffered_detail::EncodeSummary(overlay.image.data() + static_cast<size_t>(i) * 32, r);
  }
  std::ofstream(overlay.folder / "BENCH.SUM", std::ios::binary)
      .write(overlay.image.data(), static_cast<std::streamsize>(overlay.image.size()));
  std::ofstream(overlay.folder / "BENCH.OBJ", std::ios::binary).put('\0');

  InitDirectoryTable();
  int32_t dirID = -1;
  RegisterDirectory(overlay.folder.string() + "/", true, dirID);
  MapRecord map;
  std::strcpy(map.name, "Bench");
  map.mapID = 1000;
  map.dirID = dirID;
  AppendMapRecord(map, overlay.mapIndex);
  OverlayFileRecord file;
  file.mapID = 1000;
  file.overlayID = 2000;
  file.dirID = dirID;
  std::strcpy(file.baseName, "BENCH");
  AppendOverlayFileRecord(overlay.mapIndex, file);
  bool written = false;
  if (WriteSM2File(overlay.mapIndex, 0, written) != 0 || !written) std::abort();
  overlay.ready = true;
  return overlay;
}

void BM_WholeWalk(benchmark::State& state) {
  BenchOverlay& overlay = Overlay();
  int64_t live = 0;
  for (auto _ : state) {
    live = 0;
    ForEachSummaryRecord(
        overlay.mapIndex, 0,
        [&](const SummaryRecord& r, int32_t) -> int32_t {
          live += r.position >= 0;
          return 0;
        },
        nullptr, nullptr);
    benchmark::DoNotOptimize(live);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.counters["live"] = static_cast<double>(live);
}
BENCHMARK(BM_WholeWalk)->Unit(benchmark::kMillisecond);

// A rectangle of a tenth of the overlay's width and height (1 % of its area), placed at
// several positions that do not line up with the cells.
void BM_OnePercentRectangle(benchmark::State& state) {
  BenchOverlay& overlay = Overlay();
  const int32_t width = kColumns * kCell / 10;
  const int32_t height = kRows * kCell / 10;
  const int32_t placeX = static_cast<int32_t>(state.range(0));
  const WRect search{kWest + placeX * 37000 + 12345, kSouth + placeX * 21000 + 6789,
                     kWest + placeX * 37000 + 12345 + width,
                     kSouth + placeX * 21000 + 6789 + height};
  int64_t hits = 0;
  for (auto _ : state) {
    hits = 0;
    ForEachSummaryRecord(
        overlay.mapIndex, 0,
        [&](const SummaryRecord& r, int32_t) -> int32_t {
          hits += r.position >= 0 && r.worldRect.x1 <= search.x2 && r.worldRect.x2 >= search.x1 &&
                  r.worldRect.y1 <= search.y2 && r.worldRect.y2 >= search.y1;
          return 0;
        },
        nullptr, nullptr, &search);
    benchmark::DoNotOptimize(hits);
  }
  const SummaryWalkStats stats = LastSummaryWalkStats();
  state.counters["read_pct"] = 100.0 * stats.recordsRead / kRecords;
  state.counters["hit_pct"] = 100.0 * static_cast<double>(hits) / kRecords;
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_OnePercentRectangle)->Arg(0)->Arg(3)->Arg(7)->Arg(11)->Unit(benchmark::kMicrosecond);

// The baseline: decoding the same records from memory without any file layer.
void BM_PlainMemoryScan(benchmark::State& state) {
  BenchOverlay& overlay = Overlay();
  for (auto _ : state) {
    int64_t live = 0;
    SummaryRecord r;
    for (int32_t i = 0; i < kRecords; ++i) {
      buffered_detail::DecodeSummary(overlay.image.data() + static_cast<size_t>(i) * 32, r);
      live += r.position >= 0;
    }
    benchmark::DoNotOptimize(live);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_PlainMemoryScan)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tlv
