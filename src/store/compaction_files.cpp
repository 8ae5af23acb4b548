#include "store/compaction_files.h"

#include <array>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "base/endian.h"
#include "base/errors.h"
#include "base/files.h"

namespace tlv {

namespace {

constexpr char kCommitMagic[4] = {'T', 'C', 'M', 'X'};
constexpr int32_t kCommitVersion = 1;

struct CompactionFilesState {
  std::set<std::string> refused;
  std::map<std::string, CompactionRecovery> recoveries;
  std::set<std::string> sortFilesCleared;  // folders whose sort work files were deleted
  bool finishOnLoad = true;
};
CompactionFilesState state;

std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

// The path of base + ext in folder as spelt on disk when it exists (a folder copied from a
// system that ignores case may hold "b.sum"), else as we spell it.
std::string SetPath(const std::string& folder, const std::string& base, const char* ext) {
  const std::string wanted = folder + base + ext;
  std::string resolved;
  if (ResolvePath(wanted, resolved) == 0) return resolved;
  return wanted;
}

int32_t DeleteIfThere(const std::string& path) {
  if (!FileExists(path)) return 0;
  const int32_t err = DeleteFile(path);
  return err == kErrFileNotFound ? 0 : err;
}

// The length of a file, -1 when it is not there or cannot be opened.
int32_t LengthOf(const std::string& path) {
  PlatformFile file;
  if (OpenFile(path, FileAccess::kRead, file) != 0) return -1;
  int32_t length = -1;
  if (file.GetLength(length) != 0) return -1;
  return length;
}

int32_t ReadSmallFile(const std::string& path, std::string& bytes) {
  PlatformFile file;
  int32_t err = OpenFile(path, FileAccess::kRead, file);
  if (err != 0) return err;
  int32_t length = 0;
  err = file.GetLength(length);
  if (err != 0) return err;
  // A commit record is a few bytes; anything far larger is not one.
  if (length > 4096) length = 4096;
  bytes.assign(static_cast<size_t>(length), '\0');
  int32_t got = 0;
  err = file.Read(0, length, bytes.data(), got);
  bytes.resize(static_cast<size_t>(got));
  return err;
}

// The work files that hold a part of the new set, and the live file each replaces.
struct WorkFile {
  const char* workExt;
  const char* liveExt;
};
constexpr WorkFile kCommittedFiles[] = {
    {kCompactSummaryExt, ".SUM"},
    {kCompactObjectsExt, ".OBJ"},
    {kCompactIndexExt, ".SM2"},
};

int32_t ExpectedSize(const CompactionCommit& commit, int32_t which) {
  switch (which) {
    case 0:
      return commit.summaryBytes;
    case 1:
      return commit.objectBytes;
    default:
      return commit.indexBytes;
  }
}

}  // namespace

uint32_t Crc32(const void* bytes, size_t count, uint32_t crc) {
  static const std::array<uint32_t, 256> table = MakeCrcTable();
  const auto* p = static_cast<const uint8_t*>(bytes);
  crc = ~crc;
  for (size_t i = 0; i < count; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::string EncodeCompactionCommit(const CompactionCommit& commit) {
  std::string bytes(kCompactionCommitSize, '\0');
  std::memcpy(bytes.data(), kCommitMagic, 4);
  PutBig32(bytes.data() + 4, kCommitVersion);
  PutBig32(bytes.data() + 8, commit.summaryBytes);
  PutBig32(bytes.data() + 12, commit.objectBytes);
  PutBig32(bytes.data() + 16, commit.indexBytes);
  PutBig32(bytes.data() + 20, static_cast<int32_t>(Crc32(bytes.data(), 20)));
  return bytes;
}

bool DecodeCompactionCommit(const std::string& bytes, CompactionCommit& commit) {
  if (bytes.size() != static_cast<size_t>(kCompactionCommitSize)) return false;
  if (std::memcmp(bytes.data(), kCommitMagic, 4) != 0) return false;
  if (GetBig32(bytes.data() + 4) != kCommitVersion) return false;
  if (static_cast<uint32_t>(GetBig32(bytes.data() + 20)) != Crc32(bytes.data(), 20)) return false;
  CompactionCommit read;
  read.summaryBytes = GetBig32(bytes.data() + 8);
  read.objectBytes = GetBig32(bytes.data() + 12);
  read.indexBytes = GetBig32(bytes.data() + 16);
  if (read.summaryBytes < 0 || read.summaryBytes % 32 != 0 || read.objectBytes < 0 ||
      read.indexBytes < -1) {
    return false;
  }
  commit = read;
  return true;
}

int32_t WriteCompactionCommit(const std::string& folder, const std::string& base,
                              const CompactionCommit& commit) {
  const std::string path = folder + base + kCompactCommitExt;
  int32_t err = DeleteIfThere(path);
  if (err == 0) err = CreateFile(path);
  if (err != 0) return err;
  {
    PlatformFile file;
    err = OpenFile(path, FileAccess::kReadWrite, file);
    if (err != 0) return err;
    const std::string bytes = EncodeCompactionCommit(commit);
    err = file.Write(0, static_cast<int32_t>(bytes.size()), bytes.data());
    if (err == 0) err = SyncFile(file);
    const int32_t closeErr = file.Close();
    if (err == 0) err = closeErr;
  }
  if (err == 0) err = SyncFolder(folder);
  return err;
}

int32_t ApplyCompactionCommit(const std::string& folder, const std::string& base,
                              const CompactionCommit& commit) {
  for (const WorkFile& work : kCommittedFiles) {
    const std::string from = folder + base + work.workExt;
    if (!FileExists(from)) continue;  // renamed before
    const int32_t err = RenameFile(from, SetPath(folder, base, work.liveExt));
    if (err != 0) return err;
  }
  int32_t err = 0;
  if (commit.indexBytes < 0) err = DeleteIfThere(SetPath(folder, base, ".SM2"));
  if (err == 0) err = DeleteIfThere(SetPath(folder, base, ".NN2"));
  if (err == 0) err = DeleteIfThere(SetPath(folder, base, ".NN3"));
  if (err == 0) err = DeleteIfThere(folder + base + kCompactFilteredExt);
  if (err == 0) err = SyncFolder(folder);
  if (err == 0) err = DeleteIfThere(folder + base + kCompactCommitExt);
  if (err == 0) err = SyncFolder(folder);
  return err;
}

const char* CompactionRecoveryWord(CompactionRecovery recovery) {
  switch (recovery) {
    case CompactionRecovery::kNone:
      return "none";
    case CompactionRecovery::kRolledBack:
      return "rolledBack";
    case CompactionRecovery::kRolledForward:
      return "rolledForward";
    case CompactionRecovery::kBlocked:
      return "blocked";
  }
  return "none";
}

void SetFinishCompactionOnLoad(bool finish) {
  state.finishOnLoad = finish;
}

bool FinishCompactionOnLoad() {
  return state.finishOnLoad;
}

bool CompactionPending(const std::string& folder, const std::string& base) {
  for (const char* ext : {kCompactFilteredExt, kCompactSummaryExt, kCompactObjectsExt,
                          kCompactIndexExt, kCompactCommitExt}) {
    if (FileExists(folder + base + ext)) return true;
  }
  return false;
}

int32_t DeleteCompactionWorkFiles(const std::string& folder, const std::string& base) {
  int32_t first = 0;
  for (const char* ext :
       {kCompactFilteredExt, kCompactSummaryExt, kCompactObjectsExt, kCompactIndexExt}) {
    const int32_t err = DeleteIfThere(folder + base + ext);
    if (first == 0) first = err;
  }
  return first;
}

CompactionRecovery LastCompactionRecovery(const std::string& folder, const std::string& base) {
  const auto found = state.recoveries.find(folder + base);
  return found == state.recoveries.end() ? CompactionRecovery::kNone : found->second;
}

namespace {

int32_t FinishPending(const std::string& folder, const std::string& base,
                      CompactionRecovery& recovery) {
  if (!CompactionPending(folder, base)) return 0;
  const std::string commitPath = folder + base + kCompactCommitExt;
  CompactionCommit commit;
  std::string bytes;
  const bool committed = FileExists(commitPath) && ReadSmallFile(commitPath, bytes) == 0 &&
                         DecodeCompactionCommit(bytes, commit);
  if (!committed) {
    // Cut off before its commit record was durable: the old set is the overlay file.
    int32_t err = DeleteCompactionWorkFiles(folder, base);
    if (err == 0) err = DeleteIfThere(commitPath);
    if (err == 0) err = SyncFolder(folder);
    if (err == 0) recovery = CompactionRecovery::kRolledBack;
    return err;
  }
  for (int32_t i = 0; i < 3; ++i) {
    const std::string work = folder + base + kCommittedFiles[i].workExt;
    if (!FileExists(work)) continue;
    if (LengthOf(work) != ExpectedSize(commit, i)) {
      // The record promises files that are not what it says: touching anything could destroy
      // the only good copy, so the set stays as it is for someone to look at.
      recovery = CompactionRecovery::kBlocked;
      ShowAlert(FormatText("The compaction of the overlay file \"%s\" could not be finished: its "
                           "work file \"%s\" is not the size it should be. The files are left "
                           "as they are.",
                           base.c_str(), (base + kCommittedFiles[i].workExt).c_str()),
                kStopAlert);
      return 0;
    }
  }
  const int32_t err = ApplyCompactionCommit(folder, base, commit);
  if (err == 0) recovery = CompactionRecovery::kRolledForward;
  return err;
}

}  // namespace

int32_t DeleteSortWorkFiles(const std::string& folder) {
  std::vector<FolderEntry> items;
  int32_t err = ListFolder(folder, items);
  if (err != 0) return err;
  for (const FolderEntry& item : items) {
    if (item.isFolder) continue;
    const std::string& name = item.name;
    if (name == "merge1" || name == "merge2" || name.rfind("srttempA.", 0) == 0 ||
        name.rfind("srttempB.", 0) == 0) {
      const int32_t deleted = DeleteIfThere(folder + name);
      if (err == 0) err = deleted;
    }
  }
  return err;
}

int32_t FinishCompaction(const std::string& folder, const std::string& base,
                         CompactionRecovery& recovery) {
  recovery = CompactionRecovery::kNone;
  // Left-over sort files are rubbish that nothing reads: one that cannot be deleted now is
  // tried again by the next call, and keeps no overlay file from loading.
  if (state.sortFilesCleared.count(folder) == 0 && DeleteSortWorkFiles(folder) == 0) {
    state.sortFilesCleared.insert(folder);
  }
  const int32_t err = FinishPending(folder, base, recovery);
  if (recovery != CompactionRecovery::kNone) state.recoveries[folder + base] = recovery;
  return err;
}

void RefuseOverlayFile(const std::string& folder, const std::string& base) {
  state.refused.insert(folder + base);
}

bool OverlayFileRefused(const std::string& folder, const std::string& base) {
  return state.refused.count(folder + base) != 0;
}

bool AnyOverlayFileRefused() {
  return !state.refused.empty();
}

void AcceptOverlayFile(const std::string& folder, const std::string& base) {
  state.refused.erase(folder + base);
}

void ClearRefusedOverlayFiles() {
  state.refused.clear();
}

void ResetCompactionFilesForTesting() {
  state = CompactionFilesState();
}

}  // namespace tlv
