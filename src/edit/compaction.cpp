#include "edit/compaction.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <set>

#include "base/collate.h"
#include "base/endian.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/strings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/life_cycle.h"
#include "edit/record_sort.h"
#include "edit/undo.h"
#include "store/compaction_files.h"
#include "store/directory_table.h"
#include "store/map_lock.h"
#include "store/object_record.h"
#include "store/summary.h"

namespace tlv {

namespace {

constexpr int kMessageCompactingOverlay = 158;
constexpr int kMessageRemovingDeleted = 159;
constexpr int kMessageCopyingObjects = 160;
constexpr int kMessageCreatingIndex = 161;
constexpr int kMessageCompactingTitle = 164;
constexpr int kMessageLowDisk = 165;
constexpr const char* kCaller = "CompactLayerFile()";
constexpr const char* kDiskError = "Disk error while compacting:";
constexpr uint32_t kCreator = FourCharCode("TLV1");
constexpr int32_t kSummaryChunkRecords = 4096;
constexpr int32_t kObjectReadAhead = 512;
constexpr int32_t kOutputBufferBytes = 1024 * 1024;
// The smallest record: the fixed head, less the length field itself.
constexpr int32_t kMinObjectLength = kObjFixedHeadSize - 4;
constexpr int64_t kPhysicalMemoryFloor = 100000;

struct CompactionState {
  CompactionHooks hooks;
  int32_t killStep = 0;
};
CompactionState state;

// A crash test's self-kill at a numbered point of the compaction.
void CheckPoint(int32_t step) {
  if (state.killStep != 0 && step == state.killStep) std::raise(SIGKILL);
}

std::string FieldString(const char* field, size_t size) {
  return std::string(field, strnlen(field, size));
}

int32_t DeleteIfThere(const std::string& path) {
  if (!FileExists(path)) return 0;
  const int32_t err = DeleteFile(path);
  return err == kErrFileNotFound ? 0 : err;
}

int32_t LengthOfFile(const std::string& path, int32_t& length) {
  length = 0;
  PlatformFile file;
  int32_t err = OpenFile(path, FileAccess::kRead, file);
  if (err == 0) err = file.GetLength(length);
  return err;
}

// The live file of the set as spelt on disk.
std::string LivePath(const std::string& folder, const std::string& base, const char* ext) {
  std::string resolved;
  if (ResolvePath(folder + base + ext, resolved) == 0) return resolved;
  return folder + base + ext;
}

// Reads object records at any offset. Records visited in spatial order are scattered over the
// file, so a large window would be refilled for almost every record; instead each miss reads a
// little more than asked, which holds the whole of a typical record after its head was read,
// and a record costs one read.
class ObjectReader {
 public:
  ObjectReader(const PlatformFile& file, int32_t length) : file_(file), length_(length) {}

  int32_t Read(int64_t offset, int32_t count, char* destination) {
    if (offset < start_ || offset + count > start_ + static_cast<int64_t>(window_.size())) {
      const int64_t size = std::min<int64_t>(std::max(count, kObjectReadAhead), length_ - offset);
      if (size < count) return kErrEndOfFile;
      window_.resize(static_cast<size_t>(size));
      int32_t got = 0;
      const int32_t err = file_.Read(offset, static_cast<int32_t>(size), window_.data(), got);
      if (err != 0 || got != size) {
        window_.clear();
        return err != 0 ? err : kErrEndOfFile;
      }
      start_ = offset;
    }
    std::memcpy(destination, window_.data() + (offset - start_), static_cast<size_t>(count));
    return 0;
  }

 private:
  const PlatformFile& file_;
  int64_t length_;
  std::vector<char> window_;
  int64_t start_ = 0;
};

// Everything one compaction works with.
struct Job {
  int32_t mapIndex = -1;
  int32_t fileIndex = -1;
  MapRecord map;
  OverlayFileRecord entry;
  std::string folder;
  std::string base;
  const CompactProgress* progress = nullptr;
  CompactReport* report = nullptr;
  std::vector<std::pair<int32_t, int32_t>> moves;  // (old, new) positions
  std::set<std::string> deletedPictures;
  // The user's cancel, kept apart from the codes: a failing call may answer -1 too.
  bool cancelled = false;

  std::string Work(const char* ext) const { return folder + base + ext; }
  void Status(const std::string& text) const {
    Platform().SetMessageLine(text);
    if (progress->status) progress->status(text);
  }
  // One update point of the bar; true when the user cancelled there.
  bool Progress(int32_t percent) {
    if (!cancelled && progress->progress && progress->progress(percent)) cancelled = true;
    return cancelled;
  }
};

// Picture files named by deleted, placed records of the overlay file: compaction deletes them
// once no live record of the map names them any more. The type bytes are read straight from the
// file (one small read per deleted record); only pictures go through the record accessors.
int32_t CollectDeletedPictures(Job& job) {
  std::vector<int32_t> deleted;
  int32_t err = ForEachSummaryRecord(
      job.mapIndex, job.fileIndex,
      [&](const SummaryRecord& record, int32_t) -> int32_t {
        if (!SummaryRecordLive(record) && WRectPlaced(record.worldRect)) {
          deleted.push_back(~record.position);
        }
        return 0;
      },
      nullptr, nullptr);
  if (err != 0 || deleted.empty()) return err;
  std::vector<int32_t> pictures;
  {
    PlatformFile objects;
    err = OpenFile(LivePath(job.folder, job.base, ".OBJ"), FileAccess::kRead, objects);
    if (err != 0) return err;
    for (const int32_t position : deleted) {
      uint8_t typeByte = 0;
      int32_t got = 0;
      if (objects.Read(int64_t{position} + kObjTypeOffset, 1, &typeByte, got) == 0 && got == 1 &&
          (typeByte & 0x7F) == kPictureObject) {
        pictures.push_back(position);
      }
    }
  }
  for (const int32_t position : pictures) {
    if (AllocateSpaceForFile(job.mapIndex, job.fileIndex, kObjectFileKind, kSmallWindowSize,
                             nullptr, nullptr) != 0) {
      break;
    }
    std::string name;
    if (FSGetObjectPICTFile(CurrentObjectFile(), position, name) == 0 && !name.empty()) {
      job.deletedPictures.insert(name);
    }
  }
  return 0;
}

// The picture names of the live records of every overlay file of the map.
std::set<std::string> LivePicturesOfMap(int32_t mapIndex) {
  std::set<std::string> names;
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) return names;
  for (int32_t f = 0; f < map.overlayFileCount; ++f) {
    ForEachSummaryRecord(
        mapIndex, f,
        [&](const SummaryRecord& record, int32_t) -> int32_t {
          if (!SummaryRecordLive(record)) return 0;
          if (AllocateSpaceForFile(mapIndex, f, kObjectFileKind, kSmallWindowSize, nullptr,
                                   nullptr) != 0) {
            return 0;
          }
          BufferedFile& objects = CurrentObjectFile();
          uint8_t typeByte = 0;
          int32_t got = 1;
          if (SetFPosBuf(objects, record.position + kObjTypeOffset) != 0 ||
              FSReadBuf(objects, got, &typeByte) != 0 || (typeByte & 0x7F) != kPictureObject) {
            return 0;
          }
          std::string name;
          if (FSGetObjectPICTFile(objects, record.position, name) == 0) names.insert(name);
          return 0;
        },
        nullptr, nullptr);
  }
  return names;
}

// Copies the live objects in the order of B.CM2 into B.CM3, writing each record's new position
// back into B.CM2. A record that does not fit the object file or names another object stops the
// compaction: the overlay file is damaged and is left as it is.
int32_t CopyObjects(Job& job, int32_t liveCount, int32_t objLength) {
  PlatformFile summaries, objects, source;
  int32_t err = OpenFile(job.Work(kCompactSummaryExt), FileAccess::kReadWrite, summaries);
  if (err == 0) err = CreateFile(job.Work(kCompactObjectsExt));
  if (err == 0) err = OpenFile(job.Work(kCompactObjectsExt), FileAccess::kReadWrite, objects);
  if (err == 0) err = OpenFile(LivePath(job.folder, job.base, ".OBJ"), FileAccess::kRead, source);
  if (err != 0) return err;
  job.Status(MessageText(kMessageCopyingObjects));
  ObjectReader reader(source, objLength);
  std::vector<char> chunk(static_cast<size_t>(kSummaryChunkRecords) * kSummaryRecordSize);
  std::vector<char> output;
  output.reserve(kOutputBufferBytes);
  int64_t outputStart = 0;  // CM3 offset of output's first byte
  job.moves.reserve(static_cast<size_t>(liveCount));
  for (int32_t first = 0; first < liveCount && err == 0; first += kSummaryChunkRecords) {
    const int32_t n = std::min(kSummaryChunkRecords, liveCount - first);
    int32_t got = 0;
    err = summaries.Read(int64_t{first} * kSummaryRecordSize, n * kSummaryRecordSize, chunk.data(),
                         got);
    if (err == 0 && got != n * kSummaryRecordSize) err = kErrEndOfFile;
    for (int32_t k = 0; k < n && err == 0; ++k) {
      const int32_t i = first + k;
      if (i % 100 == 0 || i >= liveCount - 9) {
        const auto percent = static_cast<int32_t>(int64_t{i} * 100 / liveCount);
        if (job.Progress(percent)) return -1;
        if (i >= liveCount / 2) CheckPoint(3);
      }
      char* record = chunk.data() + static_cast<size_t>(k) * kSummaryRecordSize;
      const int32_t oldPosition = GetBig32(record);
      char head[kObjIDOffset + 8];
      if (int64_t{oldPosition} + kObjIDOffset + 8 > objLength) {
        err = kErrBadLength;
        break;
      }
      err = reader.Read(oldPosition, kObjIDOffset + 8, head);
      if (err != 0) break;
      const int32_t length = GetBig32(head);
      if (length < kMinObjectLength || int64_t{oldPosition} + 4 + length > objLength ||
          GetBig32(head + kObjIDOffset) != GetBig32(record + 20) ||
          GetBig32(head + kObjIDOffset + 4) != GetBig32(record + 24)) {
        err = kErrBadLength;
        break;
      }
      const int64_t newPosition = outputStart + static_cast<int64_t>(output.size());
      if (newPosition + 4 + length > INT32_MAX) {
        err = kErrDiskFull;
        break;
      }
      PutBig32(record, static_cast<int32_t>(newPosition));
      job.moves.emplace_back(oldPosition, static_cast<int32_t>(newPosition));
      const size_t at = output.size();
      output.resize(at + 4 + static_cast<size_t>(length));
      err = reader.Read(oldPosition, 4 + length, output.data() + at);
      if (err == 0 && output.size() >= static_cast<size_t>(kOutputBufferBytes)) {
        err = objects.Write(outputStart, static_cast<int32_t>(output.size()), output.data());
        outputStart += static_cast<int64_t>(output.size());
        output.clear();
      }
    }
    if (err == 0) {
      err = summaries.Write(int64_t{first} * kSummaryRecordSize, n * kSummaryRecordSize,
                            chunk.data());
    }
  }
  if (err == 0 && !output.empty()) {
    err = objects.Write(outputStart, static_cast<int32_t>(output.size()), output.data());
  }
  if (err == 0) err = SyncFile(summaries);
  if (err == 0) err = SyncFile(objects);
  const int32_t closeSummaries = summaries.Close();
  const int32_t closeObjects = objects.Close();
  if (err == 0) err = closeSummaries != 0 ? closeSummaries : closeObjects;
  return err;
}

// B.CM4: one rectangle per complete block of 1000 records of the new summary file; none for a
// file of fewer. indexBytes receives its size, -1 when there is none.
int32_t WriteIndex(Job& job, int32_t liveCount, int32_t& indexBytes) {
  indexBytes = -1;
  job.Status(MessageText(kMessageCreatingIndex));
  if (liveCount < kSM2BlockRecords) return 0;
  PlatformFile summaries;
  int32_t err = OpenFile(job.Work(kCompactSummaryExt), FileAccess::kRead, summaries);
  if (err != 0) return err;
  std::vector<char> bytes;
  std::vector<char> block(static_cast<size_t>(kSM2BlockBytes));
  const int32_t blocks = liveCount / kSM2BlockRecords;
  for (int32_t b = 0; b < blocks && err == 0; ++b) {
    int32_t got = 0;
    err = summaries.Read(int64_t{b} * kSM2BlockBytes, kSM2BlockBytes, block.data(), got);
    if (err == 0 && got != kSM2BlockBytes) err = kErrEndOfFile;
    if (err != 0) break;
    SM2Builder builder;
    for (int32_t k = 0; k < kSM2BlockRecords; ++k) {
      SummaryRecord record;
      buffered_detail::DecodeSummary(block.data() + static_cast<size_t>(k) * 32, record);
      if (SummaryRecordLive(record) && WRectPlaced(record.worldRect)) {
        UnionWRect(builder.running, record.worldRect);
      }
    }
    const size_t at = bytes.size();
    bytes.resize(at + kSM2EntrySize);
    buffered_detail::EncodeRect(bytes.data() + at, builder.running);
  }
  summaries.Close();
  if (err != 0) return err;
  PlatformFile index;
  err = CreateFile(job.Work(kCompactIndexExt));
  if (err == 0) err = OpenFile(job.Work(kCompactIndexExt), FileAccess::kReadWrite, index);
  if (err == 0) err = index.Write(0, static_cast<int32_t>(bytes.size()), bytes.data());
  if (err == 0) err = SyncFile(index);
  const int32_t closeErr = index.Close();
  if (err == 0) err = closeErr;
  if (err == 0) indexBytes = static_cast<int32_t>(bytes.size());
  return err;
}

// Everything up to and including the commit record. Nothing of the live set is touched here.
int32_t WriteNewSet(Job& job, int32_t objLength, int32_t sumLength, CompactionCommit& commit) {
  const std::string summaryPath = LivePath(job.folder, job.base, ".SUM");
  job.Status(MessageText(kMessageRemovingDeleted));
  int32_t live = 0;
  int32_t err = FilterRecordFile(
      summaryPath, job.Work(kCompactFilteredExt), kCreator, kSummaryFileKind, kSummaryRecordSize,
      [](const char* record) { return GetBig32(record) >= 0; },
      [&](int32_t percent) { return job.Progress(percent); }, live);
  if (err != 0) return err;
  CheckPoint(1);
  job.report->live = live;
  job.report->dropped = sumLength / kSummaryRecordSize - live;
  err = SortRecordFile(
      job.Work(kCompactFilteredExt), 0, live, 0, job.Work(kCompactSummaryExt), kCreator,
      kSummaryFileKind, kSummaryRecordSize, CompareSummaryBySpatialKey,
      [&](const std::string& text) { job.Status(text); },
      [&](int32_t percent) { return job.Progress(percent); }, SummarySpatialOrder);
  if (err == 0) err = DeleteIfThere(job.Work(kCompactFilteredExt));
  if (err != 0) return err;
  CheckPoint(2);
  err = CopyObjects(job, live, objLength);
  if (err != 0) return err;
  CheckPoint(4);
  int32_t indexBytes = -1;
  err = WriteIndex(job, live, indexBytes);
  if (err == 0) err = SyncFolder(job.folder);
  if (err != 0) return err;
  CheckPoint(5);
  commit.summaryBytes = live * kSummaryRecordSize;
  int32_t objectBytes = 0;
  err = LengthOfFile(job.Work(kCompactObjectsExt), objectBytes);
  if (err != 0) return err;
  commit.objectBytes = objectBytes;
  commit.indexBytes = indexBytes;
  return WriteCompactionCommit(job.folder, job.base, commit);
}

void CleanUpAfterFailure(const Job& job) {
  DeleteCompactionWorkFiles(job.folder, job.base);
  DeleteIfThere(job.Work(kCompactCommitExt));
  DeleteSortWorkFiles(job.folder);
}

// What follows a committed compaction in memory and among the map's other files. inPlace is
// false when the new set could not be renamed into place: the overlay file is refused until the
// next load finishes it, so nothing here may read it (its failure was reported once already);
// the pictures of its deleted records then stay.
void AfterCommit(Job& job, bool inPlace) {
  ReleaseSM2Cache(job.mapIndex, job.fileIndex);
  CloseMapFiles(job.map.mapID);
  // The bounds of what is live, written to the header only now, so that a compaction that does
  // not commit leaves every byte of the set as it was. (It reports its own failure; the
  // compaction stands.)
  if (inPlace) RecomputeOverlayFileBounds(job.mapIndex, job.fileIndex);
  if (inPlace && !job.deletedPictures.empty()) {
    const std::set<std::string> live = LivePicturesOfMap(job.mapIndex);
    for (const std::string& name : job.deletedPictures) {
      if (live.count(name) != 0) continue;  // re-created or moved: the name is still in use
      std::string path;
      if (ResolvePath(job.folder + name, path) != 0) continue;
      if (DeleteFile(path) == 0) job.report->picturesDeleted.push_back(name);
    }
  }
  // Undo holds positions in the old files.
  SetUndoNothing();
  RemoveAllSelectedObjects();
  if (state.hooks.positionsMoved) {
    std::sort(job.moves.begin(), job.moves.end());
    state.hooks.positionsMoved(job.map.mapID, job.entry.overlayID, job.moves);
  }
}

int32_t Compact(Job& job) {
  CompactReport& report = *job.report;
  if (job.map.locked != 0) {
    report.result = CompactResult::kLocked;
    return 0;
  }
  MapLock lock;
  const int32_t lockErr = lock.Acquire(job.folder);
  if (lockErr == kErrMapInUse) {
    report.result = CompactResult::kInUse;
    return 0;
  }
  if (lockErr != 0) {
    ReportError(kCaller, kDiskError, lockErr);
    report.error = lockErr;
    report.result = CompactResult::kFailed;
    return lockErr;
  }
  CompactionRecovery recovery = CompactionRecovery::kNone;
  int32_t err = FinishCompaction(job.folder, job.base, recovery);
  if (err != 0 || recovery == CompactionRecovery::kBlocked) {
    if (err != 0) ReportError(kCaller, kDiskError, err);
    report.error = err != 0 ? err : kErrGeneral;
    report.result = CompactResult::kFailed;
    return report.error;
  }
  job.Status(FormatTextV(MessageText(kMessageCompactingOverlay).c_str(), report.overlayName.c_str(),
                         report.mapName.c_str()));
  DeleteSortWorkFiles(job.folder);
  DeleteCompactionWorkFiles(job.folder, job.base);

  int32_t objLength = 0;
  int32_t sumLength = 0;
  // The picture scan reads the object file directly: windows not yet written go first.
  err = FlushBufferedFiles();
  if (err == 0) err = CollectDeletedPictures(job);
  if (err == 0) err = CloseMapFiles(job.map.mapID);
  ReleaseSM2Cache(job.mapIndex, job.fileIndex);
  if (err == 0) err = LengthOfFile(LivePath(job.folder, job.base, ".OBJ"), objLength);
  if (err != 0) {
    ReportError(kCaller, "GetFileSize()", err);
    report.error = err;
    report.result = CompactResult::kFailed;
    return err;
  }
  err = LengthOfFile(LivePath(job.folder, job.base, ".SUM"), sumLength);
  if (err == 0 && sumLength % kSummaryRecordSize != 0) err = kErrBadLength;
  if (err != 0) {
    ReportError(kCaller, kDiskError, err);
    report.error = err;
    report.result = CompactResult::kFailed;
    return err;
  }
  report.objBytesBefore = report.objBytesAfter = objLength;
  report.sumBytesBefore = report.sumBytesAfter = sumLength;
  int64_t freeBytes = 0;
  err = FreeSpace(job.folder, freeBytes);
  if (err != 0) {
    ReportError(kCaller, "FreeBytesOnVolume()", err);
    report.error = err;
    report.result = CompactResult::kFailed;
    return err;
  }
  if (2 * int64_t{objLength} > freeBytes) {
    report.result = CompactResult::kLowDisk;
    return 0;
  }

  CompactionCommit commit;
  err = WriteNewSet(job, objLength, sumLength, commit);
  if (err != 0) {
    CleanUpAfterFailure(job);
    if (job.cancelled) {
      report.result = CompactResult::kCancelled;
      return -1;
    }
    ReportError(kCaller, kDiskError, err);
    report.error = err;
    report.result = CompactResult::kFailed;
    return err;
  }
  CheckPoint(6);
  // Committed: from here the new set is the overlay file, whatever happens.
  err = ApplyCompactionCommit(job.folder, job.base, commit);
  if (err != 0) err = FinishCompaction(job.folder, job.base, recovery);
  if (err != 0) {
    // The renames will be finished by the next load; until then nothing may read a set that
    // is half old and half new.
    RefuseOverlayFile(job.folder, job.base);
    ReportError(kCaller, kDiskError, err);
    report.error = err;
    report.result = CompactResult::kFailed;
    AfterCommit(job, false);
    return err;
  }
  CheckPoint(7);
  report.objBytesAfter = commit.objectBytes;
  report.sumBytesAfter = commit.summaryBytes;
  report.result = CompactResult::kCompacted;
  AfterCommit(job, true);
  return 0;
}

}  // namespace

const char* CompactResultWord(CompactResult result) {
  switch (result) {
    case CompactResult::kCompacted:
      return "compacted";
    case CompactResult::kLocked:
      return "locked";
    case CompactResult::kLowDisk:
      return "lowDisk";
    case CompactResult::kInUse:
      return "inUse";
    case CompactResult::kFailed:
      return "failed";
    case CompactResult::kCancelled:
      return "cancelled";
  }
  return "failed";
}

int32_t CompactLayerFile(int32_t mapIndex, int32_t fileIndex, const CompactProgress& progress,
                         CompactReport& report) {
  const auto started = std::chrono::steady_clock::now();
  report = CompactReport();
  Job job;
  job.mapIndex = mapIndex;
  job.fileIndex = fileIndex;
  job.progress = &progress;
  job.report = &report;
  if (!GetMapRecord(mapIndex, job.map) || !GetOverlayFileRecord(mapIndex, fileIndex, job.entry)) {
    report.result = CompactResult::kFailed;
    report.error = kErrGeneral;
    return kErrGeneral;
  }
  report.mapName = FieldString(job.map.name, sizeof job.map.name);
  report.baseName = FieldString(job.entry.baseName, sizeof job.entry.baseName);
  const int32_t layerIndex = LayerIDToIndex(job.entry.overlayID);
  report.overlayName = layerIndex >= 0 ? LayerName(layerIndex) : report.baseName;
  job.base = report.baseName;
  int32_t err = DirectoryPath(job.entry.dirID, job.folder);
  if (err == 0) {
    err = Compact(job);
  } else {
    report.result = CompactResult::kFailed;
    report.error = err;
  }
  report.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
  // -1 answers a cancel only; a failing call that said -1 is still a failure (its own code was
  // reported and is in the report).
  if (err == -1 && report.result != CompactResult::kCancelled) return kErrIO;
  return err;
}

int32_t CompactMapFiles(bool ask, const CompactProgress& progress,
                        std::vector<CompactReport>* reports, const OverlayFilePick& which) {
  if (ask) {
    Question question;
    question.title = MessageText(kMessageCompactingTitle);
    question.text =
        "Compacting removes deleted objects from the map files for good: they cannot be "
        "recovered afterwards. Compact the map files now?";
    question.buttons = {"OK", "Cancel"};
    question.defaultButton = 0;
    question.cancelButton = 1;
    if (Platform().Ask(question) != 0) return 0;
  }
  Platform().SetWaitCursor(true);
  RemoveAllSelectedObjects();
  bool lowDisk = false;
  int32_t result = 0;
  std::vector<std::pair<int32_t, int32_t>> files;
  ForEachOverlayFile(
      [&](OverlayFileRecord& entry) -> int32_t {
        if (!which || which(entry.mapID, entry.overlayID)) {
          files.emplace_back(entry.mapID, entry.overlayID);
        }
        return 0;
      },
      kWalkForwards, true, false, true);
  for (const auto& [mapID, overlayID] : files) {
    const int32_t mapIndex = MapIDToIndex(mapID);
    const int32_t fileIndex = mapIndex < 0 ? -1 : OverlayFileIndexForID(mapIndex, overlayID);
    if (fileIndex < 0) continue;
    CompactReport report;
    const int32_t err = CompactLayerFile(mapIndex, fileIndex, progress, report);
    if (report.result == CompactResult::kLowDisk) lowDisk = true;
    if (reports != nullptr) reports->push_back(report);
    if (report.result == CompactResult::kCancelled) {
      result = -1;
      break;
    }
    if (err != 0 && result == 0) result = err;
  }
  if (MemoryAvailable() < kPhysicalMemoryFloor) ShrinkBufferedFiles(0);
  Platform().SetWaitCursor(false);
  if (state.hooks.redraw) state.hooks.redraw();
  if (lowDisk) ShowMessageAlert(kMessageLowDisk, kCautionAlert);
  return result;
}

void HoldLocksOfMapsInUse() {
  ForEachMap(
      [](const MapRecord& map) -> int32_t {
        std::string folder;
        if (DirectoryPath(map.dirID, folder) == 0) HoldMapFolderShared(folder);
        return 0;
      },
      true);
}

void SetCompactionHooks(CompactionHooks hooks) {
  state.hooks = std::move(hooks);
}

void SetCompactionKillStep(int32_t step) {
  state.killStep = step;
}

void ResetCompactionForTesting() {
  state = CompactionState();
}

}  // namespace tlv
