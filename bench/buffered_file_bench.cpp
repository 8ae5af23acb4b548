// Reading speed of the buffered file layer: summary walks (sequential 32-byte records through a
// 100,000-byte window) and field-by-field object access through a 1,024-byte window.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/endian.h"
#include "store/buffered_file.h"
#include "store/directory_table.h"
#include "store/file_contents.h"

namespace tlv {
namespace {

constexpr int32_t kRecordCount = 100000;

// A summary file of kRecordCount records in a fresh folder, removed when the run ends.
class BenchFile {
 public:
  BenchFile() {
    folder_ = std::filesystem::temp_directory_path() /
              ("tolvane-bench-buffered-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    InitDirectoryTable();
    RegisterDirectory(folder_.string() + "/", true, dirID_);
    std::vector<char> bytes(static_cast<size_t>(kRecordCount) * kSummaryRecordSize);
    for (int32_t i = 0; i < kRecordCount; ++i) {
      char* p = bytes.data() + static_cast<size_t>(i) * kSummaryRecordSize;
      PutBig32(p, i * 120);
      for (int k = 1; k < 7; ++k) PutBig32(p + 4 * k, i + k);
    }
    WriteFileContents(0, dirID_, "bench.SUM", FourCharCode("TLV1"), FourCharCode(".SUM"),
                      static_cast<int32_t>(bytes.size()), bytes.data());
  }
  ~BenchFile() {
    ReleaseDirectoryTable();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  int32_t dirID() const { return dirID_; }

 private:
  std::filesystem::path folder_;
  int32_t dirID_ = -1;
};

BenchFile& File() {
  static BenchFile file;
  return file;
}

void BM_SequentialSummaryRecords(benchmark::State& state) {
  BufferedFile file;
  if (FSOpenBuf(0, File().dirID(), "bench.SUM", file, 100000) != 0) {
    state.SkipWithError("could not open the bench file");
    return;
  }
  int64_t checksum = 0;
  for (auto _ : state) {
    SetFPosBuf(file, 0);
    SummaryRecord record;
    for (int32_t i = 0; i < kRecordCount; ++i) {
      if (FSReadSummaryBuf(file, record) != 0) break;
      checksum += record.position + record.worldRect.x2;
    }
    benchmark::DoNotOptimize(checksum);
  }
  state.SetItemsProcessed(state.iterations() * kRecordCount);
  state.SetBytesProcessed(state.iterations() * kRecordCount * kSummaryRecordSize);
  FSCloseBuf(file);
}
BENCHMARK(BM_SequentialSummaryRecords)->Unit(benchmark::kMillisecond);

// Field reads at random places of one object record: the window never moves.
void BM_RandomFieldsInWindow(benchmark::State& state) {
  BufferedFile file;
  if (FSOpenBuf(0, File().dirID(), "bench.SUM", file, 1024) != 0) {
    state.SkipWithError("could not open the bench file");
    return;
  }
  const int32_t base = 512000;
  std::mt19937 random(7);
  std::vector<int32_t> offsets(4096);
  for (int32_t& offset : offsets) offset = base + static_cast<int32_t>(random() % 1020);
  SetFPosBuf(file, base);
  int32_t first = 0;
  FSReadLongBuf(file, first);  // fills the window
  int64_t checksum = 0;
  for (auto _ : state) {
    for (int32_t offset : offsets) {
      SetFPosBuf(file, offset);
      int32_t value = 0;
      FSReadLongBuf(file, value);
      checksum += value;
    }
    benchmark::DoNotOptimize(checksum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(offsets.size()));
  FSCloseBuf(file);
}
BENCHMARK(BM_RandomFieldsInWindow);

// Field reads at random places of the whole file: every read moves the window.
void BM_RandomFieldsAcrossFile(benchmark::State& state) {
  BufferedFile file;
  if (FSOpenBuf(0, File().dirID(), "bench.SUM", file, 1024) != 0) {
    state.SkipWithError("could not open the bench file");
    return;
  }
  std::mt19937 random(11);
  std::vector<int32_t> offsets(4096);
  for (int32_t& offset : offsets) {
    offset = static_cast<int32_t>(random() % (kRecordCount * kSummaryRecordSize - 4));
  }
  int64_t checksum = 0;
  for (auto _ : state) {
    for (int32_t offset : offsets) {
      SetFPosBuf(file, offset);
      int32_t value = 0;
      FSReadLongBuf(file, value);
      checksum += value;
    }
    benchmark::DoNotOptimize(checksum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(offsets.size()));
  FSCloseBuf(file);
}
BENCHMARK(BM_RandomFieldsAcrossFile);

}  // namespace
}  // namespace tlv
