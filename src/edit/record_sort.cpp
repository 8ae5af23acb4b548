#include "edit/record_sort.h"

#include <algorithm>
#include <new>
#include <numeric>
#include <vector>

#include "base/endian.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/strings.h"

namespace tlv {

namespace {

constexpr int64_t kProbeBytes = 16000000;
constexpr int32_t kMinMergeBufferBytes = 10000;
constexpr int16_t kSortTextList = 1000;
constexpr int16_t kSortingText = 1;
constexpr int16_t kMergingText = 2;

struct RecordSortState {
  int32_t runRecords = kSortRunRecords;
};
RecordSortState state;

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int32_t DeleteIfThere(const std::string& path) {
  if (!FileExists(path)) return 0;
  const int32_t err = DeleteFile(path);
  return err == kErrFileNotFound ? 0 : err;
}

// Deletes and makes path anew, open for writing.
int32_t StartTarget(const std::string& path, PlatformFile& file) {
  int32_t err = DeleteIfThere(path);
  if (err == 0) err = CreateFile(path);
  if (err == 0) err = OpenFile(path, FileAccess::kReadWrite, file);
  return err;
}

// Reads exactly count bytes at offset; a short read is a damaged file.
int32_t ReadExactly(const PlatformFile& file, int64_t offset, int64_t count, char* destination) {
  int32_t got = 0;
  const int32_t err = file.Read(offset, static_cast<int32_t>(count), destination, got);
  if (err != 0) return err;
  return got == count ? 0 : kErrEndOfFile;
}

// Closes a file that was written, keeping the first failure.
int32_t CloseWritten(PlatformFile& file, int32_t err) {
  const int32_t closeErr = file.Close();
  return err != 0 ? err : closeErr;
}

std::string SortWorkPath(const std::string& folder, char half, int16_t depth) {
  return folder + "srttemp" + half + "." + std::to_string(depth);
}

// One level of the interval halving: up to 16 bits for the interval within [lo, hi], the first
// level at bit `top`, each next two bits lower.
int32_t HalvingBits(int32_t a, int32_t b, int32_t lo, int32_t hi, int32_t top, uint32_t& bits) {
  int32_t levels = 0;
  while (levels < 16) {
    const int32_t mid = (lo + hi) / 2;
    if (a >= lo && b <= mid) {
      hi = mid;
    } else if (a >= mid && b <= hi) {
      bits |= 1u << (top - 2 * levels);
      lo = mid;
    } else {
      break;
    }
    ++levels;
  }
  return levels;
}

}  // namespace

int64_t MemoryAvailable() {
  for (int64_t size = kProbeBytes; size > 0; size /= 2) {
    char* block = new (std::nothrow) char[static_cast<size_t>(size)];
    if (block != nullptr) {
      delete[] block;
      return size / 2;
    }
  }
  return 0;
}

int32_t FilterRecordFile(const std::string& source, const std::string& target, uint32_t, uint32_t,
                         int32_t recordSize, const RecordKeep& keep, const SortProgress& progress,
                         int32_t& kept) {
  kept = 0;
  PlatformFile in;
  int32_t err = OpenFile(source, FileAccess::kRead, in);
  if (err != 0) return err;
  int32_t length = 0;
  err = in.GetLength(length);
  if (err != 0) return err;
  int64_t budget = std::min<int64_t>(MemoryAvailable() / 2, int64_t{length} + 1);
  const int64_t chunk = std::max<int64_t>(1, budget / recordSize);
  const int64_t total = length / recordSize;
  std::vector<char> buffer(static_cast<size_t>(chunk * recordSize));
  PlatformFile out;
  err = StartTarget(target, out);
  if (err != 0) return err;
  int64_t written = 0;
  for (int64_t done = 0; done < total && err == 0;) {
    const int64_t n = std::min(chunk, total - done);
    err = ReadExactly(in, done * recordSize, n * recordSize, buffer.data());
    if (err != 0) break;
    int64_t keptHere = 0;
    for (int64_t i = 0; i < n; ++i) {
      const char* record = buffer.data() + i * recordSize;
      if (!keep(record)) continue;
      if (keptHere != i) std::memmove(buffer.data() + keptHere * recordSize, record, recordSize);
      ++keptHere;
    }
    if (keptHere > 0) {
      err = out.Write(written * recordSize, static_cast<int32_t>(keptHere * recordSize),
                      buffer.data());
    }
    written += keptHere;
    done += n;
    if (err == 0 && progress && progress(static_cast<int32_t>(done * 100 / total))) {
      err = kSortCancelled;
    }
  }
  kept = static_cast<int32_t>(written);
  return CloseWritten(out, err);
}

int32_t SortRecordFile(const std::string& source, int32_t first, int32_t count, int16_t depth,
                       const std::string& target, uint32_t creator, uint32_t type,
                       int32_t recordSize, const RecordCompare& compare, const SortStatus& status,
                       const SortProgress& progress, RecordKey key) {
  const int64_t budget =
      std::min<int64_t>(MemoryAvailable(), int64_t{recordSize} * state.runRecords);
  if (int64_t{count} * recordSize > budget && count > 1) {
    const std::string folder = FolderOfPath(target);
    const std::string pathA = SortWorkPath(folder, 'A', depth);
    const std::string pathB = SortWorkPath(folder, 'B', depth);
    const int32_t countA = count / 2;
    const int32_t countB = count - countA;
    const auto depthNext = static_cast<int16_t>(depth + 1);
    int32_t err = SortRecordFile(source, first, countA, depthNext, pathA, creator, type, recordSize,
                                 compare, status, progress, key);
    if (err == 0) {
      err = SortRecordFile(source, first + countA, countB, depthNext, pathB, creator, type,
                           recordSize, compare, status, progress, key);
    }
    if (err == 0) {
      err = MergeRecordFiles(pathA, pathB, target, creator, type, compare, countA, countB,
                             recordSize, budget, status, progress, key);
    }
    DeleteIfThere(pathA);
    DeleteIfThere(pathB);
    return err;
  }
  if (status) {
    status(FormatTextV(GetIndString(kSortTextList, kSortingText).c_str(), NameOf(source).c_str(),
                       static_cast<long>(first) + 1, static_cast<long>(first) + count));
  }
  PlatformFile in;
  int32_t err = OpenFile(source, FileAccess::kRead, in);
  if (err != 0) return err;
  std::vector<char> records(static_cast<size_t>(int64_t{count} * recordSize));
  if (count > 0) {
    err = ReadExactly(in, int64_t{first} * recordSize, int64_t{count} * recordSize, records.data());
    if (err != 0) return err;
  }
  in.Close();
  // A stable sort of indexes keeps equal records in file order, so the output is reproducible.
  std::vector<int32_t> order(static_cast<size_t>(count));
  std::iota(order.begin(), order.end(), 0);
  if (key != nullptr) {
    std::vector<std::pair<uint64_t, int32_t>> keyed(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
      keyed[static_cast<size_t>(i)] = {key(records.data() + int64_t{i} * recordSize), i};
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (int32_t i = 0; i < count; ++i) {
      order[static_cast<size_t>(i)] = keyed[static_cast<size_t>(i)].second;
    }
  } else {
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
      return compare(records.data() + int64_t{a} * recordSize,
                     records.data() + int64_t{b} * recordSize) < 0;
    });
  }
  std::vector<char> sorted(records.size());
  for (int32_t i = 0; i < count; ++i) {
    std::memcpy(sorted.data() + int64_t{i} * recordSize,
                records.data() + int64_t{order[static_cast<size_t>(i)]} * recordSize,
                static_cast<size_t>(recordSize));
  }
  PlatformFile out;
  err = StartTarget(target, out);
  if (err != 0) return err;
  if (count > 0) err = out.Write(0, static_cast<int32_t>(sorted.size()), sorted.data());
  return CloseWritten(out, err);
}

int32_t MergeRecordFiles(const std::string& first, const std::string& second,
                         const std::string& target, uint32_t, uint32_t,
                         const RecordCompare& compare, int32_t count1, int32_t count2,
                         int32_t recordSize, int64_t budget, const SortStatus& status,
                         const SortProgress& progress, RecordKey key) {
  if (status) {
    status(FormatTextV(GetIndString(kSortTextList, kMergingText).c_str(), static_cast<long>(count1),
                       static_cast<long>(count2)));
  }
  const std::string folder = FolderOfPath(target);
  const std::string merge1 = folder + "merge1";
  const std::string merge2 = folder + "merge2";
  auto finish = [&](int32_t err) {
    DeleteIfThere(merge1);
    DeleteIfThere(merge2);
    return err;
  };
  int32_t err = DeleteIfThere(merge1);
  if (err == 0) err = DeleteIfThere(merge2);
  if (err == 0) err = RenameFile(first, merge1);
  if (err == 0) err = RenameFile(second, merge2);
  if (err != 0) return finish(err);
  PlatformFile in1, in2, out;
  err = OpenFile(merge1, FileAccess::kRead, in1);
  if (err == 0) err = OpenFile(merge2, FileAccess::kRead, in2);
  if (err == 0) err = StartTarget(target, out);
  if (err != 0) return finish(err);

  int64_t perBuffer = std::max<int64_t>(1, budget / (int64_t{recordSize} * 3));
  std::vector<char> buffers[3];
  for (;;) {
    try {
      for (auto& buffer : buffers) buffer.assign(static_cast<size_t>(perBuffer * recordSize), 0);
      break;
    } catch (const std::bad_alloc&) {
      for (auto& buffer : buffers) std::vector<char>().swap(buffer);
      --perBuffer;
      if (perBuffer * recordSize < kMinMergeBufferBytes) {
        out.Close();
        return finish(kErrGeneral);
      }
    }
  }
  struct Input {
    const PlatformFile* file;
    char* buffer;
    int64_t total;
    int64_t taken = 0;     // records consumed in all
    int64_t loaded = 0;    // records in the buffer
    int64_t next = 0;      // next record in the buffer
    uint64_t headKey = 0;  // the next record's order number, when the sort has one
  };
  Input inputs[2] = {{&in1, buffers[0].data(), count1}, {&in2, buffers[1].data(), count2}};
  auto refill = [&](Input& input) -> int32_t {
    input.loaded = std::min(perBuffer, input.total - input.taken);
    input.next = 0;
    if (input.loaded == 0) return 0;
    const int32_t err =
        ReadExactly(*input.file, input.taken * recordSize, input.loaded * recordSize, input.buffer);
    if (err == 0 && key != nullptr) input.headKey = key(input.buffer);
    return err;
  };
  err = refill(inputs[0]);
  if (err == 0) err = refill(inputs[1]);
  char* output = buffers[2].data();
  int64_t inOutput = 0;
  int64_t written = 0;
  const int64_t total = int64_t{count1} + count2;
  while (err == 0 && written < total) {
    Input& a = inputs[0];
    Input& b = inputs[1];
    const bool aLeft = a.taken < a.total;
    const bool bLeft = b.taken < b.total;
    Input* from = nullptr;
    const bool firstWins =
        !bLeft || (key != nullptr ? a.headKey <= b.headKey
                                  : compare(a.buffer + a.next * recordSize,
                                            b.buffer + b.next * recordSize) <= 0);
    if (aLeft && firstWins) {
      from = &a;
    } else {
      from = &b;
    }
    std::memcpy(output + inOutput * recordSize, from->buffer + from->next * recordSize,
                static_cast<size_t>(recordSize));
    ++inOutput;
    ++from->next;
    ++from->taken;
    if (from->next == from->loaded && from->taken < from->total) {
      err = refill(*from);
    } else if (key != nullptr && from->next < from->loaded) {
      from->headKey = key(from->buffer + from->next * recordSize);
    }
    if (err == 0 && (inOutput == perBuffer || written + inOutput == total)) {
      err = out.Write(written * recordSize, static_cast<int32_t>(inOutput * recordSize), output);
      written += inOutput;
      inOutput = 0;
    }
    const int64_t done = written + inOutput;
    if (err == 0 && progress && total > 0 && (done < 10 || done % 50 == 0) &&
        progress(static_cast<int32_t>(done * 100 / total))) {
      err = kSortCancelled;
    }
  }
  in1.Close();
  in2.Close();
  return finish(CloseWritten(out, err));
}

SpatialKey SpatialSortKey(const WRect& rect) {
  uint32_t bits = 0;
  const int32_t yLevels = HalvingBits(rect.y1, rect.y2, 0, 180000000, 31, bits);
  const int32_t xLevels = HalvingBits(rect.x1, rect.x2, 0, 360000000, 30, bits);
  SpatialKey key;
  key.depth = 2 * std::min(yLevels, xLevels);
  key.key = key.depth == 0 ? 0 : bits & ~((key.depth >= 32) ? 0u : (0xFFFFFFFFu >> key.depth));
  return key;
}

uint64_t SummarySpatialOrder(const char* record) {
  const SpatialKey k = SpatialSortKey(
      {GetBig32(record + 4), GetBig32(record + 8), GetBig32(record + 12), GetBig32(record + 16)});
  return static_cast<uint64_t>(k.key) << 32 | static_cast<uint32_t>(k.depth);
}

int CompareSummaryBySpatialKey(const char* a, const char* b) {
  auto rectOf = [](const char* p) {
    return WRect{GetBig32(p + 4), GetBig32(p + 8), GetBig32(p + 12), GetBig32(p + 16)};
  };
  const SpatialKey ka = SpatialSortKey(rectOf(a));
  const SpatialKey kb = SpatialSortKey(rectOf(b));
  if (ka.key != kb.key) return ka.key < kb.key ? -1 : 1;
  if (ka.depth != kb.depth) return ka.depth < kb.depth ? -1 : 1;
  return 0;
}

void SetSortRunRecordsForTesting(int32_t records) {
  state.runRecords = records > 0 ? records : kSortRunRecords;
}

void ResetRecordSortForTesting() {
  state = RecordSortState();
}

}  // namespace tlv
